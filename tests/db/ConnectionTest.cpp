// DbConnection: connect and disconnect, failures of the attachment, dialect and the forced
// ends of its transactions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "tests/db/DbTestSupport.h"
#include "tests/support/TestDatabase.h"

using db::DbConnection;
using db::DbQuery;
using db::DbStatement;
using db::DbTransaction;
using db_tests::ErrorOf;
using testing_support::TestDatabase;

namespace {

class Connection : public ::testing::Test {
protected:
    TestDatabase database;
};

TEST_F(Connection, ConnectAndDisconnectAreIdempotent) {
    DbConnection connection(database.Name());
    EXPECT_FALSE(connection.IsConnected());
    connection.Disconnect();
    EXPECT_FALSE(connection.IsConnected());
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_EQ(connection.Dialect(), 3);
    connection.Disconnect();
    EXPECT_FALSE(connection.IsConnected());
    connection.Disconnect();
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
}

TEST_F(Connection, StoredSettings) {
    DbConnection stored;
    EXPECT_EQ(stored.DatabaseName(), "localhost:zurn_svr");
    EXPECT_FALSE(stored.IsConnected());
    EXPECT_EQ(stored.Dialect(), 3);
    EXPECT_EQ(stored.DefaultTransaction(), nullptr);
}

TEST(ConnectionFailure, ServerNotRunningGivesClientTextWithoutFinalPeriod) {
    DbConnection connection("localhost/1:/x.fdb");
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            connection.Connect();
            ADD_FAILURE() << "connected to a closed port";
        } catch (const db::DbError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("Unable to complete network request to host"), std::string::npos)
                << message;
            ASSERT_FALSE(message.empty());
            EXPECT_NE(message.back(), '.');
            // Several texts, each joined with CR LF.
            EXPECT_NE(message.find("\r\n"), std::string::npos) << message;
            for (std::size_t i = message.find('\n'); i != std::string::npos;
                 i = message.find('\n', i + 1))
                EXPECT_EQ(message[i - 1], '\r');
            EXPECT_EQ(error.SqlCode(), -902);
            EXPECT_NE(error.EngineCode(), 0);
            EXPECT_EQ(error.Cause(), db::FailureCause::ConnectionLost);
        }
        EXPECT_FALSE(connection.IsConnected());
    }
}

TEST_F(Connection, SettingsFailures) {
    DbConnection unnamed("");
    EXPECT_EQ(ErrorOf([&] { unnamed.Connect(); }), "Database name is missing");
    EXPECT_FALSE(unnamed.IsConnected());

    DbConnection unknown(database.Name(), {"user_name=sysdba", "lc_colour=red"});
    EXPECT_EQ(ErrorOf([&] { unknown.Connect(); }), "DPB Constant (lc_colour) is unknown");
    EXPECT_FALSE(unknown.IsConnected());

    DbConnection wrongPassword(database.Name(), {"user_name=sysdba", "password=wrong"});
    try {
        wrongPassword.Connect();
        ADD_FAILURE() << "connected with a wrong password";
    } catch (const db::DbError& error) {
        EXPECT_EQ(error.SqlCode(), -902);
        EXPECT_NE(std::string(error.what()).find("password"), std::string::npos) << error.what();
        EXPECT_EQ(error.Cause(), db::FailureCause::Other);
    }
    EXPECT_FALSE(wrongPassword.IsConnected());

    // The published names are accepted in any letter case, with or without the prefix.
    DbConnection prefixed(database.Name(),
                          {"ISC_DPB_USER_NAME=sysdba", "isc_dpb_password=quillmoss"});
    prefixed.Connect();
    EXPECT_TRUE(prefixed.IsConnected());
}

TEST_F(Connection, DisconnectRollsBackWindowTransactionAndCommitsPrivateOne) {
    DbConnection connection(database.Name());
    DbTransaction window(&connection, DbTransaction::Action::Rollback);
    connection.SetDefaultTransaction(&window);
    DbTransaction privateTransaction(&connection);
    DbQuery windowQuery(&connection, &window, "IBQuery1");
    DbQuery privateQuery(&connection, &privateTransaction);

    windowQuery.ExecuteSql("insert into ss_master (pos_no) values ('01')");
    privateQuery.ExecuteSql("insert into pi_master (prod_cd) values ('P1')");
    windowQuery.OpenQuery("select pos_no from ss_master");
    ASSERT_TRUE(windowQuery.HasRows());

    connection.Disconnect();
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FALSE(window.InTransaction());
    EXPECT_FALSE(privateTransaction.InTransaction());
    EXPECT_FALSE(windowQuery.IsOpen());
    EXPECT_FALSE(windowQuery.HasRows());
    EXPECT_TRUE(windowQuery.Eof());

    EXPECT_EQ(database.Count("ss_master"), 0);
    EXPECT_EQ(database.Count("pi_master"), 1);

    // The objects stay usable: the next run connects and starts again.
    windowQuery.OpenQuery("select prod_cd from pi_master");
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_TRUE(window.InTransaction());
    EXPECT_EQ(windowQuery.FieldText("prod_cd"), "P1");
}

TEST_F(Connection, DestroyedWhileConnectedEndsWorkAndLeavesObjectsUnbound) {
    auto connection = std::make_unique<DbConnection>(database.Name());
    DbTransaction window(connection.get(), DbTransaction::Action::Rollback);
    connection->SetDefaultTransaction(&window);
    DbQuery query(connection.get(), &window, "IBQuery1");
    DbStatement statement(connection.get(), &window);
    query.ExecuteSql("insert into ss_master (pos_no) values ('01')");
    query.OpenQuery("select pos_no from ss_master");

    connection.reset();

    EXPECT_FALSE(window.InTransaction());
    EXPECT_FALSE(query.IsOpen());
    EXPECT_EQ(window.DefaultDatabase(), nullptr);
    EXPECT_EQ(query.Database(), nullptr);
    EXPECT_EQ(database.Count("ss_master"), 0);
    EXPECT_EQ(ErrorOf([&] { query.OpenQuery("select 1 from rdb$database"); }),
              "Database not assigned");
    EXPECT_EQ(ErrorOf([&] { statement.ExecuteSql("select 1 from rdb$database"); }),
              "Database not assigned");
    EXPECT_EQ(ErrorOf([&] { window.StartTransaction(); }),
              "No databases are listed in transaction component");
}

TEST_F(Connection, DatabaseOfDialectOneLowersTheDialectForEveryStatement) {
    const std::string path = testing_support::TestDataDir() + "/posfix_dialect1_" +
                             std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                             "_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".fdb";
    std::remove(path.c_str());
    testing_support::RunIsqlScript("SET SQL DIALECT 1;\nCREATE DATABASE " +
                                   db::SqlQuote(testing_support::ConnectionString(path)) +
                                   " USER 'sysdba' PASSWORD 'quillmoss';\n"
                                   "CREATE TABLE T (A VARCHAR(10));\nCOMMIT;\n");
    {
        DbConnection connection(testing_support::ConnectionString(path));
        DbTransaction transaction(&connection, DbTransaction::Action::Rollback);
        DbQuery query(&connection, &transaction);
        connection.Connect();
        EXPECT_EQ(connection.Dialect(), 1);
        // In dialect 1 a double-quoted run is a string, not a column name.
        query.ExecuteSql("insert into t (a) values (\"one\")");
        query.OpenQuery("select a, \"two\" as b from t");
        ASSERT_TRUE(query.HasRows());
        EXPECT_EQ(query.FieldText("a"), "one");
        EXPECT_EQ(query.FieldText("b"), "two");
        transaction.Commit();

        // The lowered dialect stays after disconnecting.
        connection.Disconnect();
        EXPECT_EQ(connection.Dialect(), 1);
    }
    std::remove(path.c_str());

    // The same text on a dialect 3 database names a column that does not exist.
    DbConnection dialect3(database.Name());
    DbTransaction transaction(&dialect3);
    DbQuery query(&dialect3, &transaction);
    try {
        query.OpenQuery("select \"two\" as b from rdb$database");
        ADD_FAILURE() << "dialect 3 took a double-quoted string";
    } catch (const db::DbError& error) {
        EXPECT_EQ(error.SqlCode(), -206) << error.what();
    }
    EXPECT_EQ(dialect3.Dialect(), 3);
}

}  // namespace
