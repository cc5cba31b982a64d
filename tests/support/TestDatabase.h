#pragma once

#include <string>
#include <vector>

namespace testing_support {

// The private test server, named by the environment:
//   POSFIX_TEST_SERVER  host and port, e.g. "localhost/3057"
//   POSFIX_TEST_DATA    folder on this machine where the server keeps the test databases
// A test that needs the server and finds these unset or the server down fails loudly.
std::string TestServer();
std::string TestDataDir();

// One fresh POS database made from tests/schema/pos_schema.sql, dropped when the object goes.
// The schema is built once per process into a template file and copied for each database.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // Connection string for db::DbConnection, e.g. "localhost/3057:/path/posfix_123_4.fdb".
    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }

    // Runs one statement (DDL or DML, text sent unchanged) on its own attachment and commits.
    void Exec(const std::string& sql) const;
    // Runs several statements, each on its own.
    void ExecAll(const std::vector<std::string>& statements) const;

    // All rows of a SELECT, every column as text (NULL as "<null>"), in the order returned.
    std::vector<std::vector<std::string>> Rows(const std::string& select) const;
    // Single value of a SELECT (first column of the first row).
    std::string Scalar(const std::string& select) const;
    long long Count(const std::string& table, const std::string& where = {}) const;

    // Every row of a table, every column as text, sorted: for before/after comparisons.
    std::vector<std::vector<std::string>> Snapshot(const std::string& table) const;

private:
    std::string path_;
    std::string name_;
};

}  // namespace testing_support
