// DbStatement: text sent unchanged, nothing implicit, and its transaction binding.
#include <gtest/gtest.h>

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

class Statement : public ::testing::Test {
protected:
    Statement()
        : connection(database.Name()),
          transaction(&connection, DbTransaction::Action::Rollback),
          statement(&connection, &transaction) {
        connection.SetDefaultTransaction(&transaction);
    }

    TestDatabase database;
    DbConnection connection;
    DbTransaction transaction;
    DbStatement statement;
};

TEST_F(Statement, BlockWithVariablesRunsUnchanged) {
    database.ExecAll({"insert into ss_master (pos_no) values ('01')",
                      "insert into ss_master (pos_no) values ('02')"});
    connection.Connect();
    transaction.StartTransaction();
    statement.ExecuteSql(
        "execute block as declare variable v integer; declare variable p varchar(10); begin "
        "select count(*) from ss_master into :v; "
        "for select pos_no from ss_master into :p do "
        "update ss_master set pos_nm = :p || ':' || :v where pos_no = :p; end");
    statement.ExecuteSql("update ss_master set pos_gb = '?' /* :x */ where pos_nm = '01:2'");
    EXPECT_TRUE(transaction.InTransaction());
    transaction.Commit();
    EXPECT_EQ(database.Rows("select pos_nm, pos_gb from ss_master order by pos_no"),
              (std::vector<std::vector<std::string>>{{"01:2", "?"}, {"02:2", "1"}}));
}

TEST_F(Statement, NothingIsConnectedOrStartedImplicitly) {
    EXPECT_EQ(ErrorOf([&] { statement.ExecuteSql(""); }), "Empty query");
    EXPECT_EQ(ErrorOf([&] { statement.ExecuteSql("delete from ss_master"); }),
              "Cannot perform operation -- DB is not open");
    EXPECT_FALSE(connection.IsConnected());
    connection.Connect();
    EXPECT_EQ(ErrorOf([&] { statement.ExecuteSql("delete from ss_master"); }),
              "Transaction is not active");
    EXPECT_FALSE(transaction.InTransaction());

    statement.SetTransaction(nullptr);
    EXPECT_EQ(statement.Transaction(), nullptr);
    EXPECT_EQ(ErrorOf([&] { statement.ExecuteSql("delete from ss_master"); }),
              "Transaction not assigned");

    DbStatement unbound(nullptr, &transaction);
    EXPECT_EQ(ErrorOf([&] { unbound.ExecuteSql("delete from ss_master"); }),
              "Database not assigned");

    statement.SetTransaction(&transaction);
    transaction.StartTransaction();
    EXPECT_EQ(ErrorOf([&] { statement.ExecuteSql("set transaction"); }), "Not permitted");
    // A blank text is not refused here: the server answers it.
    try {
        statement.ExecuteSql("  ");
        ADD_FAILURE() << "a blank statement ran";
    } catch (const db::DbError& error) {
        EXPECT_NE(error.SqlCode(), 0) << error.what();
    }
    EXPECT_TRUE(transaction.InTransaction());
}

TEST_F(Statement, RunsInsideThePrivateTransactionItIsBoundTo) {
    database.Exec("insert into ss_master (pos_no, pos_nm) values ('01', 'one')");
    connection.Connect();
    for (const bool commit : {false, true}) {
        auto privateTransaction = std::make_unique<DbTransaction>(&connection);
        auto privateQuery = std::make_unique<DbQuery>(&connection, privateTransaction.get());
        privateTransaction->StartTransaction();
        privateQuery->ExecuteSql("update ss_master set pos_gb = '9'");
        statement.SetTransaction(privateTransaction.get());
        statement.ExecuteSql(
            "execute block as declare variable n varchar(40); begin "
            "select pos_nm from ss_master where pos_no = '01' into :n; "
            "insert into ss_master (pos_no, pos_nm) values ('02', :n || '+'); end");
        // The block saw the query's uncommitted change: same transaction.
        privateQuery->OpenQuery("select count(*) as cnt from ss_master where pos_gb = '9'");
        EXPECT_EQ(privateQuery->FieldInt("cnt"), 1);
        if (commit) {
            privateTransaction->Commit();
        } else {
            privateTransaction->Rollback();
        }
        privateTransaction.reset();
        EXPECT_EQ(statement.Transaction(), nullptr);
        privateQuery.reset();
        EXPECT_EQ(database.Count("ss_master"), commit ? 2 : 1);
    }
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master where pos_no = '02'"), "one+");
    EXPECT_FALSE(transaction.InTransaction());
}

}  // namespace
