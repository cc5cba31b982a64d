// DbQuery: running statements, parameter markers on the server, reading rows and column values,
// and the failures of a run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "tests/db/DbTestSupport.h"
#include "tests/support/TestDatabase.h"

using db::DbConnection;
using db::DbQuery;
using db::DbTransaction;
using db::SqlQuote;
using db_tests::ErrorOf;
using testing_support::TestDatabase;

namespace {

class Query : public ::testing::Test {
protected:
    Query()
        : connection(database.Name()),
          transaction(&connection, DbTransaction::Action::Rollback),
          query(&connection, &transaction, "IBQuery1"),
          privateTransaction(&connection),
          privateQuery(&connection, &privateTransaction) {
        connection.SetDefaultTransaction(&transaction);
    }

    TestDatabase database;
    DbConnection connection;
    DbTransaction transaction;
    DbQuery query;
    DbTransaction privateTransaction;
    DbQuery privateQuery;
};

TEST_F(Query, ReadLoopOverEmptyOneAndManyRows) {
    query.OpenQuery("select pos_no from ss_master");
    EXPECT_TRUE(query.IsOpen());
    EXPECT_FALSE(query.HasRows());
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldText("pos_no"), "");
    query.Next();
    EXPECT_TRUE(query.Eof());

    query.ExecuteSql("insert into ss_master (pos_no) values ('01')");
    query.OpenQuery("select pos_no from ss_master");
    EXPECT_TRUE(query.HasRows());
    EXPECT_FALSE(query.Eof());
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_TRUE(query.HasRows());
    EXPECT_EQ(query.FieldText("pos_no"), "01");  // the last row stays current
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldText("pos_no"), "01");

    query.ExecuteSql("insert into ss_master (pos_no) values ('02')");
    query.ExecuteSql("insert into ss_master (pos_no) values ('03')");
    query.OpenQuery("select pos_no from ss_master order by pos_no");
    std::vector<std::string> seen;
    if (query.HasRows()) {
        while (!query.Eof()) {
            seen.push_back(query.FieldText("POS_NO"));
            query.Next();
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"01", "02", "03"}));

    query.Close();
    EXPECT_FALSE(query.IsOpen());
    EXPECT_FALSE(query.HasRows());
    EXPECT_TRUE(query.Eof());
    query.Close();
}

TEST_F(Query, RowsStayInMemoryAcrossCacheChunks) {
    // 2500 rows: the first chunk of 1000 rows grows twice.
    database.Exec(
        "execute block as declare i integer = 0; begin while (i < 2500) do begin "
        "insert into pi_master (prod_cd, sale_price) values (lpad(:i, 5, '0'), :i); "
        "i = i + 1; end end");
    query.OpenQuery("select prod_cd, sale_price from pi_master order by prod_cd");
    int count = 0;
    while (!query.Eof()) {
        ASSERT_EQ(query.FieldInt("sale_price"), count);
        ++count;
        query.Next();
    }
    EXPECT_EQ(count, 2500);
    EXPECT_EQ(query.FieldInt("sale_price"), 2499);

    // The server's cursor is used up; walking again reads the rows kept in memory.
    query.First();
    EXPECT_FALSE(query.Eof());
    int again = 0;
    while (!query.Eof()) {
        ASSERT_EQ(query.FieldText("prod_cd"),
                  std::string(5 - std::to_string(again).size(), '0') + std::to_string(again));
        ++again;
        query.Next();
    }
    EXPECT_EQ(again, 2500);
}

TEST_F(Query, ColumnValuesAsTextAndInteger) {
    database.Exec(
        "create table vals (c3 char(3), v5 varchar(5), s smallint, i integer, b bigint, "
        "n integer, nc char(2))");
    database.Exec("insert into vals values ('Y', 'ab  ', -7, -2147483648, 5000000000, null, null)");
    query.OpenQuery(
        "select c3, v5, s, i, b, n, nc, cast(-1 as bigint) as neg, "
        "cast(-5000000000 as bigint) as bigneg from vals");
    ASSERT_TRUE(query.HasRows());
    EXPECT_EQ(query.FieldText("c3"), "Y  ");
    EXPECT_EQ(query.FieldText("v5"), "ab  ");
    EXPECT_EQ(query.FieldText("s"), "-7");
    EXPECT_EQ(query.FieldInt("s"), -7);
    EXPECT_EQ(query.FieldText("i"), "-2147483648");
    EXPECT_EQ(query.FieldInt("i"), -2147483647 - 1);
    EXPECT_EQ(query.FieldText("b"), "5000000000");
    EXPECT_EQ(query.FieldInt("b"), 705032704);  // 5000000000 - 2^32
    EXPECT_EQ(query.FieldText("neg"), "-1");
    EXPECT_EQ(query.FieldInt("neg"), -1);
    EXPECT_EQ(query.FieldText("bigneg"), "-5000000000");
    EXPECT_EQ(query.FieldInt("bigneg"), -705032704);
    EXPECT_EQ(query.FieldText("n"), "");
    EXPECT_EQ(query.FieldInt("n"), 0);
    EXPECT_TRUE(query.FieldIsNullAt(5));
    EXPECT_EQ(query.FieldText("nc"), "");
    EXPECT_FALSE(query.FieldIsNullAt(0));

    // Names without regard to case; aliases and expressions as the server names them.
    query.OpenQuery(
        "select pos_no as \"POS_NO\", count(*) as cnt, max(pos_no) mx from ss_master "
        "group by pos_no");
    EXPECT_FALSE(query.HasRows());
    EXPECT_EQ(query.FieldCount(), 3);
    EXPECT_EQ(query.FieldText("Pos_No"), "");
    EXPECT_EQ(query.FieldText("Cnt"), "");
    EXPECT_EQ(query.FieldText("MX"), "");
}

TEST_F(Query, TextEndsAtItsZeroByteNumbersKeepTheirScaleOtherTypesAreNotRead) {
    query.OpenQuery(
        "select cast(x'610062' as varchar(3) character set none) as v, "
        "cast(x'41004200' as char(4) character set none) as c, "
        "cast(12.34 as numeric(9,2)) as num, cast(-0.05 as numeric(18,3)) as small, "
        "cast('2024-03-14' as date) as d, cast('hello' as blob) as bl from rdb$database");
    ASSERT_TRUE(query.HasRows());
    EXPECT_EQ(query.FieldText("v"), "a");
    EXPECT_EQ(query.FieldText("c"), "A");
    EXPECT_EQ(query.FieldText("num"), "12.34");
    EXPECT_EQ(query.FieldInt("num"), 12);
    EXPECT_EQ(query.FieldText("small"), "-0.050");
    EXPECT_EQ(ErrorOf([&] { query.FieldText("d"); }), "Field 'D' cannot be read as text");
    EXPECT_EQ(ErrorOf([&] { query.FieldTextAt(5); }), "Field 'BL' cannot be read as text");
}

TEST_F(Query, AFetchFailureInNextKeepsTheRowsReadAndEndsTheCursor) {
    for (const char* value : {"1", "2", "x", "4"})
        database.Exec(std::string("insert into ss_master (pos_no) values ('") + value + "')");
    // The third row fails on the server when it is fetched.
    query.OpenQuery("select cast(pos_no as integer) as n from ss_master");
    query.Next();
    EXPECT_EQ(query.FieldInt("n"), 2);
    try {
        query.Next();
        ADD_FAILURE() << "the failed fetch passed unnoticed";
    } catch (const db::DbError& error) {
        EXPECT_EQ(std::string(error.what()), "conversion error from string \"x\"");
        EXPECT_EQ(error.SqlCode(), -413);
    }
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldInt("n"), 2);
    query.Next();  // no second try at the server
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(query.FieldInt("n"), 2);
}

TEST_F(Query, FieldNotFoundNamesTheQueryWhenItHasAName) {
    query.OpenQuery("select pos_no from ss_master");
    EXPECT_EQ(ErrorOf([&] { query.FieldText("pos_nm"); }), "IBQuery1: Field 'pos_nm' not found");
    EXPECT_EQ(ErrorOf([&] { query.FieldInt("cnt"); }), "IBQuery1: Field 'cnt' not found");
    privateQuery.OpenQuery("select pos_no from ss_master");
    EXPECT_EQ(ErrorOf([&] { privateQuery.FieldText("pos_nm"); }), "Field 'pos_nm' not found");
    privateQuery.Close();
    EXPECT_EQ(ErrorOf([&] { privateQuery.FieldText("pos_no"); }), "Field 'pos_no' not found");
}

TEST_F(Query, CodePage949AndQuotesTravelByteForByte) {
    // 한'글 포스 in code page 949, with a quote between the characters.
    const std::string name = "\xC7\xD1'\xB1\xDB \xC6\xF7\xBD\xBA";
    privateQuery.ExecuteSql("insert into ss_master (pos_no, pos_nm) values ('01', " +
                            SqlQuote(name) + ")");
    privateQuery.OpenQuery("select pos_nm from ss_master where pos_nm = " + SqlQuote(name));
    ASSERT_TRUE(privateQuery.HasRows());
    EXPECT_EQ(privateQuery.FieldText("pos_nm"), name);
    privateTransaction.Commit();
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master"), name);
    EXPECT_EQ(database.Scalar("select octet_length(pos_nm) from ss_master"),
              std::to_string(name.size()));
}

TEST_F(Query, MarkersOnTheServer) {
    query.ExecuteSql("insert into ss_master (pos_no, pos_nm) values ('01', 'a:b ?c')");
    EXPECT_EQ(database.Count("ss_master"), 0);  // not committed yet
    transaction.Commit();
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master"), "a:b ?c");

    // A colon and a name outside quotes is a parameter sent as NULL.
    query.ExecuteSql("update ss_master set pos_nm = :newName where pos_no = '01'");
    transaction.Commit();
    EXPECT_EQ(database.Scalar("select pos_nm from ss_master"), "<null>");

    query.ExecuteSql("update /* set pos_nm = :x */ ss_master set pos_gb = '2'");
    query.OpenQuery("select pos_no from ss_master where pos_gb = '2' or pos_no = :none");
    EXPECT_TRUE(query.HasRows());

    // A colon followed by a blank fails before anything reaches the server.
    EXPECT_EQ(
        ErrorOf([&] { query.ExecuteSql("update ss_master set pos_nm = 'x' where pos_no = : 1"); }),
        "SQL Parse Error:\r\n\r\nParameter name expected");
    EXPECT_FALSE(query.IsOpen());
    EXPECT_EQ(ErrorOf([&] { query.ExecuteSql("update ss_master set pos_nm = 'x"); }),
              "SQL Parse Error:\r\n\r\nEOF in string detected");
    EXPECT_EQ(ErrorOf([&] { query.OpenQuery("select * from ss_master /* open"); }),
              "SQL Parse Error:\r\n\r\nEOF in comment detected");
    EXPECT_TRUE(transaction.InTransaction());
    transaction.Commit();
    EXPECT_EQ(database.Scalar("select pos_gb from ss_master"), "2");

    // A block's own variables become parameters on a query, and the server rejects the block.
    try {
        query.ExecuteSql(
            "execute block as declare variable v integer; begin select count(*) from "
            "ss_master into :v; end");
        ADD_FAILURE() << "the block ran on a query";
    } catch (const db::DbError& error) {
        EXPECT_NE(error.SqlCode(), 0) << error.what();
    }
}

TEST_F(Query, RunFailures) {
    DbConnection closed(database.Name());
    DbTransaction closedTransaction(&closed);
    DbQuery closedQuery(&closed, &closedTransaction);
    // Empty text: refused before connecting.
    EXPECT_EQ(ErrorOf([&] { closedQuery.ExecuteSql(""); }), "Empty SQL Statement");
    EXPECT_FALSE(closed.IsConnected());
    EXPECT_EQ(ErrorOf([&] { closedQuery.OpenQuery(""); }), "Empty SQL Statement");
    // Blanks and line breaks only: refused after connecting and starting.
    EXPECT_EQ(ErrorOf([&] { closedQuery.OpenQuery(" \r\n\t "); }), "Empty SQL Statement");
    EXPECT_TRUE(closed.IsConnected());
    EXPECT_TRUE(closedTransaction.InTransaction());

    EXPECT_EQ(ErrorOf([&] { query.ExecuteSql("select pos_no from ss_master"); }),
              "use Open for a Select Statement");
    EXPECT_EQ(ErrorOf([&] { query.ExecuteSql("select pos_no from ss_master for update"); }),
              "use Open for a Select Statement");
    EXPECT_TRUE(transaction.InTransaction());
    EXPECT_FALSE(query.IsOpen());
    EXPECT_EQ(ErrorOf([&] { query.ExecuteSql("set transaction read committed"); }),
              "Not permitted");
    EXPECT_EQ(ErrorOf([&] { query.OpenQuery("set transaction"); }), "Not permitted");

    DbQuery noDatabase(nullptr, &transaction);
    EXPECT_EQ(ErrorOf([&] { noDatabase.OpenQuery("select 1 from rdb$database"); }),
              "Database not assigned");
    DbQuery noTransaction(&connection, nullptr);
    EXPECT_EQ(ErrorOf([&] { noTransaction.ExecuteSql("delete from ss_master"); }),
              "Transaction not assigned");

    // A server failure: its codes, and the query closed but usable again.
    query.OpenQuery("select pos_no from ss_master");
    try {
        query.OpenQuery("select no_such_column from ss_master");
        ADD_FAILURE() << "an unknown column was accepted";
    } catch (const db::DbError& error) {
        EXPECT_EQ(error.SqlCode(), -206);
        EXPECT_EQ(error.EngineCode(), 335544569);
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Dynamic SQL Error\r\n", 0), 0u) << message;
        EXPECT_NE(message.find("NO_SUCH_COLUMN"), std::string::npos) << message;
        EXPECT_EQ(message.find("SQLCODE"), std::string::npos);
    }
    EXPECT_FALSE(query.IsOpen());
    EXPECT_TRUE(transaction.InTransaction());
    query.OpenQuery("select count(*) as cnt from ss_master");
    EXPECT_EQ(query.FieldInt("cnt"), 0);
}

TEST_F(Query, ProcedureCalls) {
    database.Exec(
        "create procedure add_pos (p varchar(10)) returns (total integer) as begin "
        "insert into ss_master (pos_no) values (:p); "
        "select count(*) from ss_master into :total; end");
    query.ExecuteSql("execute procedure add_pos '01'");
    query.OpenQuery("execute procedure add_pos '02'");
    ASSERT_TRUE(query.HasRows());
    EXPECT_EQ(query.FieldInt("total"), 2);
    query.Next();
    EXPECT_TRUE(query.Eof());
    transaction.Commit();
    EXPECT_EQ(database.Count("ss_master"), 2);
}

TEST_F(Query, NoPermissionIsItsOwnKind) {
    testing_support::RunIsqlScript("CONNECT " + SqlQuote(database.Name()) +
                                   " USER 'sysdba' PASSWORD 'quillmoss';\n"
                                   "CREATE OR ALTER USER POSFIX_NORIGHTS PASSWORD 'norights1';\n"
                                   "COMMIT;\n");
    DbConnection limited(database.Name(), {"user_name=POSFIX_NORIGHTS", "password=norights1"});
    DbTransaction limitedTransaction(&limited);
    DbQuery limitedQuery(&limited, &limitedTransaction);
    try {
        limitedQuery.OpenQuery("select pos_no from ss_master");
        ADD_FAILURE() << "read without permission";
    } catch (const db::DbNoPermission& error) {
        EXPECT_EQ(error.SqlCode(), -551);
        EXPECT_NE(std::string(error.what()).find("SS_MASTER"), std::string::npos) << error.what();
    } catch (const db::DbError& error) {
        ADD_FAILURE() << "not raised as DbNoPermission: " << error.what();
    }
}

}  // namespace
