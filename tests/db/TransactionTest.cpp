// DbTransaction: explicit and implicit starts, ends, what an end closes, snapshot visibility
// and the ends forced by discarding.
#include <gtest/gtest.h>

#include <memory>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"
#include "tests/db/DbTestSupport.h"
#include "tests/support/TestDatabase.h"

using db::DbConnection;
using db::DbQuery;
using db::DbStatement;
using db::DbTransaction;
using db_tests::ErrorOf;
using testing_support::TestDatabase;

namespace {

class Transaction : public ::testing::Test {
protected:
    void SetUp() override {
        database.ExecAll({"insert into ss_master (pos_no, pos_nm) values ('01', 'one')",
                          "insert into ss_master (pos_no, pos_nm) values ('02', 'two')",
                          "insert into ss_master (pos_no, pos_nm) values ('03', 'three')"});
    }

    TestDatabase database;
};

TEST_F(Transaction, StartFailsOnClosedConnectionButQueriesConnectThemselves) {
    DbConnection connection(database.Name());
    DbTransaction transaction(&connection);
    EXPECT_EQ(ErrorOf([&] { transaction.StartTransaction(); }),
              "Cannot perform operation -- DB is not open");
    EXPECT_FALSE(transaction.InTransaction());
    EXPECT_FALSE(connection.IsConnected());

    DbQuery query(&connection, &transaction);
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_TRUE(transaction.InTransaction());
    EXPECT_EQ(query.FieldInt("cnt"), 3);

    DbConnection other(database.Name());
    DbTransaction otherTransaction(&other);
    DbQuery writer(&other, &otherTransaction);
    writer.ExecuteSql("delete from ss_master where pos_no = '03'");
    EXPECT_TRUE(other.IsConnected());
    // Started by the run, and still active afterwards.
    EXPECT_TRUE(otherTransaction.InTransaction());
}

TEST_F(Transaction, ActiveAndInactiveMisuse) {
    DbConnection connection(database.Name());
    connection.Connect();
    DbTransaction transaction(&connection);
    EXPECT_EQ(ErrorOf([&] { transaction.Commit(); }), "Transaction is not active");
    EXPECT_EQ(ErrorOf([&] { transaction.Rollback(); }), "Transaction is not active");
    transaction.StartTransaction();
    EXPECT_EQ(ErrorOf([&] { transaction.StartTransaction(); }), "Transaction is active");
    EXPECT_TRUE(transaction.InTransaction());
    transaction.Commit();
    EXPECT_FALSE(transaction.InTransaction());
    EXPECT_EQ(ErrorOf([&] { transaction.Commit(); }), "Transaction is not active");
    transaction.StartTransaction();
    transaction.Rollback();
    EXPECT_FALSE(transaction.InTransaction());

    DbTransaction unbound(nullptr);
    EXPECT_EQ(ErrorOf([&] { unbound.StartTransaction(); }),
              "No databases are listed in transaction component");
    EXPECT_EQ(unbound.DefaultDatabase(), nullptr);
    EXPECT_EQ(unbound.DefaultAction(), DbTransaction::Action::Commit);
}

TEST_F(Transaction, EndingOneTransactionClosesOnlyItsOwnQueries) {
    DbConnection connection(database.Name());
    DbTransaction window(&connection, DbTransaction::Action::Rollback);
    connection.SetDefaultTransaction(&window);
    DbQuery windowQuery(&connection, &window, "IBQuery1");
    DbTransaction reading(&connection);
    DbQuery readingQuery(&connection, &reading);
    DbTransaction writing(&connection);
    DbQuery writingQuery(&connection, &writing);

    readingQuery.OpenQuery("select pos_no from ss_master order by pos_no");
    readingQuery.Next();
    ASSERT_EQ(readingQuery.FieldText("pos_no"), "02");

    windowQuery.OpenQuery("select pos_no from ss_master");
    ASSERT_TRUE(windowQuery.HasRows());
    window.Commit();
    EXPECT_FALSE(windowQuery.IsOpen());
    EXPECT_FALSE(windowQuery.HasRows());
    EXPECT_TRUE(windowQuery.Eof());

    // The writes that the reading cursor drives commit while it stays where it was.
    writingQuery.ExecuteSql("update ss_master set pos_nm = 'changed' where pos_no = '02'");
    writing.Commit();
    EXPECT_TRUE(readingQuery.IsOpen());
    EXPECT_EQ(readingQuery.FieldText("pos_no"), "02");
    readingQuery.Next();
    EXPECT_EQ(readingQuery.FieldText("pos_no"), "03");
    EXPECT_FALSE(readingQuery.Eof());

    windowQuery.OpenQuery("select pos_no from ss_master");
    window.Rollback();
    EXPECT_FALSE(windowQuery.IsOpen());
    EXPECT_TRUE(readingQuery.IsOpen());
    reading.Rollback();
    EXPECT_FALSE(readingQuery.IsOpen());
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master where pos_no = '02'"), "changed");
}

TEST_F(Transaction, SnapshotSeesOtherCommitsOnlyAfterItEnds) {
    DbConnection connection(database.Name());
    DbTransaction transaction(&connection);
    DbQuery query(&connection, &transaction);
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 3);

    database.Exec("insert into ss_master (pos_no) values ('04')");
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 3);

    transaction.Commit();
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 4);
}

TEST_F(Transaction, DiscardingActiveTransactionEndsWithItsDefaultAction) {
    DbConnection connection(database.Name());
    {
        DbTransaction privateTransaction(&connection);
        DbQuery query(&connection, &privateTransaction);
        query.ExecuteSql("delete from ss_master where pos_no = '01'");
    }
    EXPECT_EQ(database.Count("ss_master"), 2);
    {
        DbTransaction window(&connection, DbTransaction::Action::Rollback);
        DbQuery query(&connection, &window);
        query.ExecuteSql("delete from ss_master where pos_no = '02'");
    }
    EXPECT_EQ(database.Count("ss_master"), 2);
    EXPECT_EQ(database.Count("ss_master", "pos_no = '02'"), 1);
    EXPECT_TRUE(connection.IsConnected());
}

TEST_F(Transaction, FreeingTransactionsBeforeTheirQueriesIsSafe) {
    DbConnection connection(database.Name());
    DbTransaction window(&connection, DbTransaction::Action::Rollback);
    DbStatement windowStatement(&connection, &window);
    auto reading = std::make_unique<DbTransaction>(&connection);
    auto readingQuery = std::make_unique<DbQuery>(&connection, reading.get());
    auto writing = std::make_unique<DbTransaction>(&connection);
    auto writingQuery = std::make_unique<DbQuery>(&connection, writing.get());
    windowStatement.SetTransaction(writing.get());

    readingQuery->OpenQuery("select pos_no from ss_master order by pos_no");
    while (!readingQuery->Eof()) {
        writingQuery->ExecuteSql("update ss_master set pos_nm = pos_nm || '!' where pos_no = '" +
                                 readingQuery->FieldText("pos_no") + "'");
        readingQuery->Next();
    }

    // Free R, R's query, W, W's query, in this order.
    reading.reset();
    EXPECT_EQ(readingQuery->Transaction(), nullptr);
    EXPECT_FALSE(readingQuery->IsOpen());
    EXPECT_EQ(ErrorOf([&] { readingQuery->OpenQuery("select 1 from rdb$database"); }),
              "Transaction not assigned");
    readingQuery.reset();
    writing.reset();  // still active: commits
    EXPECT_EQ(writingQuery->Transaction(), nullptr);
    EXPECT_EQ(windowStatement.Transaction(), nullptr);
    EXPECT_EQ(ErrorOf([&] { windowStatement.ExecuteSql("delete from ss_master"); }),
              "Transaction not assigned");
    writingQuery.reset();

    EXPECT_EQ(database.Rows("select pos_nm from ss_master order by pos_no"),
              (std::vector<std::vector<std::string>>{{"one!"}, {"two!"}, {"three!"}}));

    // Bound again, the statement works on its new transaction.
    window.StartTransaction();
    windowStatement.SetTransaction(&window);
    windowStatement.ExecuteSql("delete from ss_master");
    window.Commit();
    EXPECT_EQ(database.Count("ss_master"), 0);
}

TEST_F(Transaction, LostAttachmentFailsCommitAndLeavesTransactionActive) {
    auto connection = std::make_unique<DbConnection>(database.Name());
    auto transaction =
        std::make_unique<DbTransaction>(connection.get(), DbTransaction::Action::Commit);
    DbQuery query(connection.get(), transaction.get());
    query.OpenQuery("select current_connection as id from rdb$database");
    const int attachment = query.FieldInt("id");
    query.ExecuteSql("update ss_master set pos_nm = 'lost' where pos_no = '01'");

    // Another attachment ends ours on the server.
    database.Exec("delete from mon$attachments where mon$attachment_id = " +
                  std::to_string(attachment));

    try {
        transaction->Commit();
        ADD_FAILURE() << "commit on an ended attachment succeeded";
    } catch (const db::DbError& error) {
        EXPECT_NE(error.EngineCode(), 0);
        EXPECT_FALSE(std::string(error.what()).empty());
    }
    EXPECT_TRUE(transaction->InTransaction());
    EXPECT_FALSE(query.IsOpen());
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_NE(ErrorOf([&] { query.OpenQuery("select 1 from rdb$database"); }), "<no error>");

    // The forced end of a discarded transaction never raises, and the connection still goes.
    transaction.reset();
    connection.reset();
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master where pos_no = '01'"), "one");
}

}  // namespace
