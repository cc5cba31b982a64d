// The database layer against the test server: connections, transactions, queries and statements,
// with the window's transaction (rolled back when forced to end) and a private one (committed).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TestDatabase.h"

using db::DbConnection;
using db::DbQuery;
using db::DbStatement;
using db::DbTransaction;
using testing_support::Raised;
using Rows = std::vector<std::vector<std::string>>;

namespace {

// What holds of a query: open, with rows, at its end.
std::string Shape(const DbQuery& query) {
    return std::string(query.IsOpen() ? "open" : "closed") + (query.HasRows() ? " rows" : "") +
           (query.Eof() ? " eof" : "");
}

class Db : public ::testing::Test {
protected:
    Db() { connection.SetDefaultTransaction(&window); }

    void AddThreeTerminals() const {
        for (const std::string row : {"'01', 'one'", "'02', 'two'", "'03', 'three'"})
            database.Exec("insert into ss_master (pos_no, pos_nm) values (" + row + ")");
    }

    // Which of the connection and the two transactions are active.
    std::string Active() const {
        return std::string(connection.IsConnected() ? "connected" : "") +
               (window.InTransaction() ? " window" : "") +
               (privateTransaction.InTransaction() ? " private" : "");
    }

    testing_support::TestDatabase database;
    DbConnection connection{database.Name()};
    DbTransaction window{&connection, DbTransaction::Action::Rollback};
    DbQuery query{&connection, &window, "IBQuery1"};
    DbTransaction privateTransaction{&connection};
    DbQuery privateQuery{&connection, &privateTransaction};
    DbStatement statement{&connection, &window};
};

TEST_F(Db, ConnectDisconnectAndTheirFailures) {
    EXPECT_FALSE(connection.IsConnected());
    connection.Disconnect();
    for (int round = 0; round < 2; ++round) {
        connection.Connect();
        const long long attachment = connection.AttachmentId();
        connection.Connect();  // keeps the attachment it has
        EXPECT_EQ(connection.AttachmentId(), attachment);
        EXPECT_TRUE(connection.IsConnected());
        EXPECT_EQ(connection.Dialect(), 3);
        connection.Disconnect();
        connection.Disconnect();
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_EQ(connection.AttachmentId(), 0);
    }
    DbConnection stored;
    EXPECT_EQ(stored.DatabaseName(), "localhost:zurn_svr");
    EXPECT_EQ(stored.Dialect(), 3);
    EXPECT_EQ(stored.DefaultTransaction(), nullptr);

    // The published names are accepted in any letter case, with or without the prefix.
    DbConnection prefixed(database.Name(),
                          {"ISC_DPB_USER_NAME=sysdba", "isc_dpb_password=quillmoss"});
    prefixed.Connect();
    EXPECT_TRUE(prefixed.IsConnected());
    DbConnection unnamed("");
    EXPECT_FAILS("Database name is missing", unnamed.Connect());
    DbConnection unknown(database.Name(), {"user_name=sysdba", "lc_colour=red"});
    EXPECT_FAILS("DPB Constant (lc_colour) is unknown", unknown.Connect());
    DbConnection wrongPassword(database.Name(), {"user_name=sysdba", "password=wrong"});
    const auto refused = Raised([&] { wrongPassword.Connect(); });
    EXPECT_EQ(refused.SqlCode(), -902);
    EXPECT_NE(std::string(refused.what()).find("password"), std::string::npos) << refused.what();
    EXPECT_EQ(refused.Cause(), db::FailureCause::Other);
    // A closed port, twice: the client's texts joined with CR LF, without the final period.
    DbConnection closed("localhost/1:/x.fdb");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto error = Raised([&] { closed.Connect(); });
        const std::string message = error.what();
        EXPECT_NE(message.find("Unable to complete network request to host"), std::string::npos);
        EXPECT_NE(message.back(), '.');
        EXPECT_EQ(message.find('\n'), message.find("\r\n") + 1) << message;
        EXPECT_EQ(error.SqlCode(), -902);
        EXPECT_NE(error.EngineCode(), 0);
        EXPECT_EQ(error.Cause(), db::FailureCause::ConnectionLost);
    }
    for (DbConnection* failed : {&unnamed, &unknown, &wrongPassword, &closed})
        EXPECT_FALSE(failed->IsConnected());
}

TEST_F(Db, DisconnectRollsBackTheWindowsTransactionCommitsPrivateOnesAndStartsAgain) {
    query.ExecuteSql("insert into ss_master (pos_no) values ('01')");
    privateQuery.ExecuteSql("insert into pi_master (prod_cd) values ('P1')");
    query.OpenQuery("select pos_no from ss_master");
    ASSERT_TRUE(query.HasRows());

    connection.Disconnect();
    EXPECT_EQ(Active(), "");
    EXPECT_EQ(Shape(query), "closed eof");
    EXPECT_EQ(database.Count("ss_master"), 0);
    EXPECT_EQ(database.Count("pi_master"), 1);

    query.OpenQuery("select prod_cd from pi_master");
    EXPECT_EQ(Active(), "connected window");
    EXPECT_EQ(query.FieldText("prod_cd"), "P1");
}

TEST_F(Db, ADestroyedConnectionEndsItsWorkAndLeavesItsObjectsUnbound) {
    auto gone = std::make_unique<DbConnection>(database.Name());
    DbTransaction transaction(gone.get(), DbTransaction::Action::Rollback);
    gone->SetDefaultTransaction(&transaction);
    DbQuery bound(gone.get(), &transaction);
    DbStatement boundStatement(gone.get(), &transaction);
    bound.ExecuteSql("insert into ss_master (pos_no) values ('01')");
    bound.OpenQuery("select pos_no from ss_master");
    gone.reset();

    EXPECT_FALSE(transaction.InTransaction());
    EXPECT_FALSE(bound.IsOpen());
    EXPECT_EQ(transaction.DefaultDatabase(), nullptr);
    EXPECT_EQ(bound.Database(), nullptr);
    EXPECT_EQ(database.Count("ss_master"), 0);
    EXPECT_FAILS("Database not assigned", bound.OpenQuery("select 1 from rdb$database"));
    EXPECT_FAILS("Database not assigned", boundStatement.ExecuteSql("select 1 from rdb$database"));
    EXPECT_FAILS("No databases are listed in transaction component",
                 transaction.StartTransaction());
}

TEST_F(Db, ADatabaseOfDialectOneLowersTheDialectForEveryStatement) {
    const std::string path = database.Path() + ".dialect1.fdb";
    std::remove(path.c_str());
    testing_support::RunIsqlScript("SET SQL DIALECT 1;\nCREATE DATABASE " +
                                   db::SqlQuote(testing_support::ConnectionString(path)) +
                                   " USER 'sysdba' PASSWORD 'quillmoss';\n"
                                   "CREATE TABLE T (A VARCHAR(10));\nCOMMIT;\n");
    DbConnection old(testing_support::ConnectionString(path));
    DbTransaction transaction(&old, DbTransaction::Action::Rollback);
    DbQuery oldQuery(&old, &transaction);
    old.Connect();
    EXPECT_EQ(old.Dialect(), 1);
    // In dialect 1 a double-quoted run is a string, not a column name.
    oldQuery.ExecuteSql("insert into t (a) values (\"one\")");
    oldQuery.OpenQuery("select a, \"two\" as b from t");
    EXPECT_EQ(oldQuery.FieldText("a") + oldQuery.FieldText("b"), "onetwo");
    old.Disconnect();
    EXPECT_EQ(old.Dialect(), 1);
    std::remove(path.c_str());
    EXPECT_EQ(Raised([&] { query.OpenQuery("select \"two\" as b from rdb$database"); }).SqlCode(),
              -206);
    EXPECT_EQ(connection.Dialect(), 3);
}

TEST_F(Db, TransactionsStartAndEndOnlyWhenTheyMay) {
    AddThreeTerminals();
    EXPECT_FAILS("Cannot perform operation -- DB is not open", window.StartTransaction());
    EXPECT_EQ(Active(), "");
    // A query connects and starts by itself, and its transaction stays active.
    privateQuery.ExecuteSql("delete from ss_master where pos_no = '03'");
    EXPECT_EQ(Active(), "connected private");

    EXPECT_FAILS("Transaction is not active", window.Commit());
    EXPECT_FAILS("Transaction is not active", window.Rollback());
    window.StartTransaction();
    EXPECT_FAILS("Transaction is active", window.StartTransaction());
    EXPECT_EQ(Active(), "connected window private");
    window.Commit();
    EXPECT_FAILS("Transaction is not active", window.Commit());
    window.StartTransaction();
    window.Rollback();
    EXPECT_EQ(Active(), "connected private");

    DbTransaction unbound(nullptr);
    EXPECT_FAILS("No databases are listed in transaction component", unbound.StartTransaction());
    EXPECT_EQ(unbound.DefaultDatabase(), nullptr);
    EXPECT_EQ(unbound.DefaultAction(), DbTransaction::Action::Commit);

    // A snapshot sees other commits only after it ends.
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 3);
    privateTransaction.Commit();
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 3);
    window.Rollback();
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 2);
}

TEST_F(Db, EndingOneTransactionClosesOnlyItsOwnQueries) {
    AddThreeTerminals();
    DbTransaction reading(&connection);
    DbQuery readingQuery(&connection, &reading);
    readingQuery.OpenQuery("select pos_no from ss_master order by pos_no");
    readingQuery.Next();
    ASSERT_EQ(readingQuery.FieldText("pos_no"), "02");

    for (const bool commit : {true, false}) {
        query.OpenQuery("select pos_no from ss_master");
        ASSERT_TRUE(query.HasRows());
        commit ? window.Commit() : window.Rollback();
        EXPECT_EQ(Shape(query), "closed eof");
    }
    // The writes that the reading cursor drives commit while it stays where it was.
    privateQuery.ExecuteSql("update ss_master set pos_nm = 'changed' where pos_no = '02'");
    privateTransaction.Commit();
    EXPECT_TRUE(readingQuery.IsOpen());
    EXPECT_EQ(readingQuery.FieldText("pos_no"), "02");
    readingQuery.Next();
    EXPECT_EQ(readingQuery.FieldText("pos_no"), "03");
    EXPECT_FALSE(readingQuery.Eof());
    reading.Rollback();
    EXPECT_FALSE(readingQuery.IsOpen());
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master where pos_no = '02'"), "changed");
}

TEST_F(Db, DiscardedTransactionsEndWithTheirDefaultActionAndUnbindTheirQueries) {
    AddThreeTerminals();
    {
        DbTransaction discarded(&connection);
        DbQuery(&connection, &discarded).ExecuteSql("delete from ss_master where pos_no = '01'");
    }
    EXPECT_EQ(database.Count("ss_master", "pos_no = '01'"), 0);
    {
        DbTransaction discarded(&connection, DbTransaction::Action::Rollback);
        DbQuery(&connection, &discarded).ExecuteSql("delete from ss_master");
    }
    EXPECT_EQ(database.Count("ss_master"), 2);
    EXPECT_TRUE(connection.IsConnected());

    // Freed before their queries and statements: those are left without a transaction.
    auto reading = std::make_unique<DbTransaction>(&connection);
    auto readingQuery = std::make_unique<DbQuery>(&connection, reading.get());
    auto writing = std::make_unique<DbTransaction>(&connection);
    DbQuery writingQuery(&connection, writing.get());
    statement.SetTransaction(writing.get());
    readingQuery->OpenQuery("select pos_no from ss_master order by pos_no");
    for (; !readingQuery->Eof(); readingQuery->Next())
        writingQuery.ExecuteSql("update ss_master set pos_nm = pos_nm || '!' where pos_no = '" +
                                readingQuery->FieldText("pos_no") + "'");
    // The statement sees those uncommitted changes: it runs in the transaction it is bound to.
    statement.ExecuteSql("update ss_master set pos_gb = '9' where pos_nm like '%!'");
    reading.reset();
    EXPECT_EQ(readingQuery->Transaction(), nullptr);
    EXPECT_FALSE(readingQuery->IsOpen());
    EXPECT_FAILS("Transaction not assigned", readingQuery->OpenQuery("select 1 from rdb$database"));
    readingQuery.reset();
    writing.reset();  // still active: commits
    EXPECT_EQ(writingQuery.Transaction(), nullptr);
    EXPECT_EQ(statement.Transaction(), nullptr);
    EXPECT_FAILS("Transaction not assigned", statement.ExecuteSql("delete from ss_master"));
    EXPECT_EQ(database.Rows("select pos_nm, pos_gb from ss_master order by pos_no"),
              (Rows{{"two!", "9"}, {"three!", "9"}}));
}

TEST_F(Db, ALostAttachmentFailsTheCommitAndLeavesTheTransactionActive) {
    AddThreeTerminals();
    auto lost = std::make_unique<DbConnection>(database.Name());
    auto transaction = std::make_unique<DbTransaction>(lost.get(), DbTransaction::Action::Commit);
    DbQuery lostQuery(lost.get(), transaction.get());
    lostQuery.OpenQuery("select current_connection as id from rdb$database");
    const int attachment = lostQuery.FieldInt("id");
    lostQuery.ExecuteSql("update ss_master set pos_nm = 'lost' where pos_no = '01'");
    // Another attachment ends this one on the server.
    database.Exec("delete from mon$attachments where mon$attachment_id = " +
                  std::to_string(attachment));

    const auto failed = Raised([&] { transaction->Commit(); });
    EXPECT_NE(failed.EngineCode(), 0);
    EXPECT_FALSE(std::string(failed.what()).empty());
    EXPECT_TRUE(transaction->InTransaction());
    EXPECT_FALSE(lostQuery.IsOpen());
    EXPECT_TRUE(lost->IsConnected());
    Raised([&] { lostQuery.OpenQuery("select 1 from rdb$database"); });
    // The forced end of a discarded transaction never raises, and the connection still goes.
    transaction.reset();
    lost.reset();
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master where pos_no = '01'"), "one");
}

TEST_F(Db, RowsAreReadOneByOneAndKeptInMemory) {
    query.OpenQuery("select pos_no from ss_master");
    EXPECT_EQ(Shape(query), "open eof");
    EXPECT_EQ(query.FieldText("pos_no"), "");
    EXPECT_EQ(query.FieldInt("pos_no"), 0);
    EXPECT_TRUE(query.FieldIsNullAt(0));
    query.Next();
    EXPECT_TRUE(query.Eof());

    query.ExecuteSql("insert into ss_master (pos_no) values ('01')");
    query.OpenQuery("select pos_no from ss_master");
    EXPECT_FALSE(query.Eof());
    for (int i = 0; i < 2; ++i) {
        query.Next();
        EXPECT_EQ(Shape(query), "open rows eof");
        EXPECT_EQ(query.FieldText("pos_no"), "01");  // the last row stays current
    }
    for (int i = 0; i < 2; ++i) {
        query.Close();
        EXPECT_EQ(Shape(query), "closed eof");
    }

    // 2500 rows: the first chunk of 1000 rows grows twice. Walked again after the server's
    // cursor is used up, the rows come from memory.
    window.Commit();
    database.Exec(
        "execute block as declare i integer = 0; begin while (i < 2500) do begin "
        "insert into pi_master (prod_cd, sale_price) values (lpad(:i, 5, '0'), :i); "
        "i = i + 1; end end");
    query.OpenQuery("select prod_cd, sale_price from pi_master order by prod_cd");
    for (int walk = 0; walk < 2; ++walk) {
        int count = 0;
        for (; !query.Eof(); query.Next(), ++count) {
            ASSERT_EQ(query.FieldInt("sale_price"), count);
            ASSERT_EQ(std::stoi(query.FieldText("PROD_CD")), count);
        }
        EXPECT_EQ(count, 2500);
        EXPECT_EQ(query.FieldInt("sale_price"), 2499);
        query.First();
    }
}

TEST_F(Db, ColumnValuesAsTextAndInteger) {
    database.Exec(
        "create table vals (c3 char(3), v5 varchar(5), s smallint, i integer, b bigint, "
        "n integer, nc char(2))");
    database.Exec("insert into vals values ('Y', 'ab  ', -7, -2147483648, 5000000000, null, null)");
    query.OpenQuery(
        "select c3, v5, s, i, b, n, nc, cast(-1 as bigint) as neg, "
        "cast(-5000000000 as bigint) as bigneg, cast(x'610062' as varchar(3) character set none) "
        "as z, cast(x'41004200' as char(4) character set none) as cz, cast(12.34 as numeric(9,2)) "
        "as num, cast(-0.05 as numeric(18,3)) as small, cast('2024-03-14' as date) as d, "
        "cast('hello' as blob) as bl from vals");
    ASSERT_TRUE(query.HasRows());
    // Text, and integers: the low 32 bits of a bigger one, numbers without their fraction.
    std::vector<std::string> texts;
    for (const char* column :
         {"c3", "v5", "s", "i", "b", "neg", "bigneg", "n", "nc", "z", "cz", "num", "small"})
        texts.push_back(query.FieldText(column));
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Y  ", "ab  ", "-7", "-2147483648", "5000000000", "-1",
                                        "-5000000000", "", "", "a", "A", "12.34", "-0.050"}));
    std::vector<int> numbers;
    for (const char* column : {"s", "i", "b", "neg", "bigneg", "n", "num", "small"})
        numbers.push_back(query.FieldInt(column));
    EXPECT_EQ(numbers,
              (std::vector<int>{-7, -2147483647 - 1, 705032704, -1, -705032704, 0, 12, 0}));
    EXPECT_TRUE(query.FieldIsNullAt(5));
    EXPECT_FALSE(query.FieldIsNullAt(0));
    EXPECT_FAILS("Field 'D' cannot be read as text", query.FieldText("d"));
    EXPECT_FAILS("Field 'BL' cannot be read as text", query.FieldTextAt(14));

    // Names without regard to case; aliases and expressions as the server names them; a missing
    // one names the query when it has a name.
    query.OpenQuery(
        "select pos_no as \"POS_NO\", count(*) as cnt, max(pos_no) mx from ss_master group by "
        "pos_no");
    EXPECT_FALSE(query.HasRows());
    EXPECT_EQ(query.FieldCount(), 3);
    for (const char* column : {"Pos_No", "Cnt", "MX"}) EXPECT_EQ(query.FieldText(column), "");
    EXPECT_FAILS("IBQuery1: Field 'pos_nm' not found", query.FieldText("pos_nm"));
    EXPECT_FAILS("IBQuery1: Field 'cnt2' not found", query.FieldInt("cnt2"));
    privateQuery.OpenQuery("select pos_no from ss_master");
    EXPECT_FAILS("Field 'pos_nm' not found", privateQuery.FieldText("pos_nm"));
    privateQuery.Close();
    EXPECT_FAILS("Field 'pos_no' not found", privateQuery.FieldText("pos_no"));
}

TEST_F(Db, AFetchFailureInNextKeepsTheRowsReadAndEndsTheCursor) {
    AddThreeTerminals();
    query.OpenQuery("select cast(iif(pos_no = '03', 'x', pos_no) as integer) as n from ss_master");
    query.Next();
    const auto failed = Raised([&] { query.Next(); });
    EXPECT_EQ(failed.SqlCode(), -413);
    EXPECT_EQ(std::string(failed.what()), "conversion error from string \"x\"");
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldInt("n"), 2);
    query.Next();  // no second try at the server
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldInt("n"), 2);
}

TEST_F(Db, QueryMarkersGoToTheServerAsNullAndCodePage949AndQuotesTravelByteForByte) {
    const std::string name = "\xC7\xD1'\xB1\xDB a:b ?c";  // 한'글 and markers inside quotes
    query.ExecuteSql("insert into ss_master (pos_no, pos_nm) values ('01', " + db::SqlQuote(name) +
                     ")");
    EXPECT_EQ(database.Count("ss_master"), 0);  // not committed yet
    query.OpenQuery("select pos_nm from ss_master where pos_nm = " + db::SqlQuote(name));
    EXPECT_EQ(query.FieldText("pos_nm"), name);
    window.Commit();
    EXPECT_EQ(database.Rows("select pos_nm, octet_length(pos_nm) from ss_master"),
              (Rows{{name, std::to_string(name.size())}}));
    // A colon and a name outside quotes is a parameter sent as NULL.
    query.ExecuteSql("update ss_master set pos_nm = :newName where pos_no = '01'");
    query.ExecuteSql("update /* set pos_nm = :x */ ss_master set pos_gb = '2'");
    query.OpenQuery("select pos_no from ss_master where pos_gb = '2' or pos_no = :none");
    EXPECT_TRUE(query.HasRows());
    EXPECT_FAILS("SQL Parse Error:\r\n\r\nEOF in comment detected",
                 query.OpenQuery("select * from ss_master /* open"));
    EXPECT_EQ(Active() + ", " + Shape(query), "connected window, closed eof");
    window.Commit();
    EXPECT_EQ(database.Rows("select pos_nm, pos_gb from ss_master"), (Rows{{"<null>", "2"}}));
    // A block's own variables become parameters on a query, and the server rejects the block.
    const auto rejected = Raised([&] {
        query.ExecuteSql(
            "execute block as declare variable v integer; begin select count(*) "
            "from ss_master into :v; end");
    });
    EXPECT_NE(rejected.SqlCode(), 0);
}

TEST_F(Db, RunFailures) {
    // Empty text: refused before connecting; blanks only: after connecting and starting.
    EXPECT_FAILS("Empty SQL Statement", privateQuery.ExecuteSql(""));
    EXPECT_FAILS("Empty SQL Statement", privateQuery.OpenQuery(""));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FAILS("Empty SQL Statement", privateQuery.OpenQuery(" \r\n\t "));
    EXPECT_EQ(Active(), "connected private");

    DbQuery noDatabase(nullptr, &window);
    DbQuery noTransaction(&connection, nullptr);
    for (const char* select :
         {"select pos_no from ss_master", "select 1 from ss_master for update"})
        EXPECT_FAILS("use Open for a Select Statement", query.ExecuteSql(select));
    EXPECT_FAILS("Not permitted", query.ExecuteSql("set transaction read committed"));
    EXPECT_FAILS("Not permitted", query.OpenQuery("set transaction"));
    EXPECT_FAILS("Database not assigned", noDatabase.OpenQuery("select 1 from rdb$database"));
    EXPECT_FAILS("Transaction not assigned", noTransaction.ExecuteSql("delete from ss_master"));
    EXPECT_EQ(Active() + ", " + Shape(query), "connected window private, closed eof");

    // A server failure: its codes, and the query closed but usable again.
    query.OpenQuery("select pos_no from ss_master");
    const auto unknown = Raised([&] { query.OpenQuery("select no_such_column from ss_master"); });
    EXPECT_EQ(unknown.SqlCode(), -206);
    EXPECT_EQ(unknown.EngineCode(), 335544569);
    const std::string message = unknown.what();
    EXPECT_EQ(message.rfind("Dynamic SQL Error\r\n", 0), 0u) << message;
    EXPECT_NE(message.find("NO_SUCH_COLUMN"), std::string::npos) << message;
    EXPECT_EQ(message.find("SQLCODE"), std::string::npos);
    EXPECT_EQ(Active() + ", " + Shape(query), "connected window private, closed eof");
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 0);

    // Without the right to read: its own kind of error.
    database.Exec("create or alter user POSFIX_NORIGHTS password 'norights1'");
    DbConnection limited(database.Name(), {"user_name=POSFIX_NORIGHTS", "password=norights1"});
    DbTransaction limitedTransaction(&limited);
    DbQuery limitedQuery(&limited, &limitedTransaction);
    EXPECT_THROW(limitedQuery.OpenQuery("select pos_no from ss_master"), db::DbNoPermission);
}

TEST_F(Db, ProcedureCallsGiveTheirOneRow) {
    database.Exec(
        "create procedure add_pos (p varchar(10)) returns (total integer) as begin "
        "insert into ss_master (pos_no) values (:p); select count(*) from ss_master into :total; "
        "end");
    query.ExecuteSql("execute procedure add_pos '01'");
    query.OpenQuery("execute procedure add_pos '02'");
    ASSERT_TRUE(query.HasRows());
    EXPECT_EQ(query.FieldInt("total"), 2);
    query.Next();
    EXPECT_TRUE(query.Eof());
    window.Commit();
    EXPECT_EQ(database.Count("ss_master"), 2);
}

TEST_F(Db, StatementsSendTheirTextUnchangedAndNeverConnectOrStartThemselves) {
    AddThreeTerminals();
    EXPECT_FAILS("Empty query", statement.ExecuteSql(""));
    EXPECT_FAILS("Cannot perform operation -- DB is not open",
                 statement.ExecuteSql("delete from ss_master"));
    EXPECT_FALSE(connection.IsConnected());
    connection.Connect();
    EXPECT_FAILS("Transaction is not active", statement.ExecuteSql("delete from ss_master"));
    EXPECT_FALSE(window.InTransaction());
    DbStatement unbound(nullptr, &window);
    EXPECT_FAILS("Database not assigned", unbound.ExecuteSql("delete from ss_master"));
    statement.SetTransaction(nullptr);
    EXPECT_FAILS("Transaction not assigned", statement.ExecuteSql("delete from ss_master"));

    statement.SetTransaction(&window);
    window.StartTransaction();
    EXPECT_FAILS("Not permitted", statement.ExecuteSql("set transaction"));
    // A blank text is not refused here: the server answers it.
    EXPECT_NE(Raised([&] { statement.ExecuteSql("  "); }).SqlCode(), 0);
    statement.ExecuteSql(
        "execute block as declare variable v integer; declare variable p varchar(10); begin "
        "select count(*) from ss_master into :v; for select pos_no from ss_master into :p do "
        "update ss_master set pos_nm = :p || ':' || :v where pos_no = :p; end");
    statement.ExecuteSql("update ss_master set pos_gb = '?' /* :x */ where pos_nm = '01:3'");
    EXPECT_TRUE(window.InTransaction());
    window.Commit();
    EXPECT_EQ(database.Rows("select pos_nm, pos_gb from ss_master order by pos_no"),
              (Rows{{"01:3", "?"}, {"02:3", "1"}, {"03:3", "1"}}));
}

}  // namespace
