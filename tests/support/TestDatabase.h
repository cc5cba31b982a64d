#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace db {
class DbConnection;
}

namespace testing_support {

// "<server>:<path>", the connection string of a database file on the test server, named by
// POSFIX_TEST_SERVER ("localhost/3057"); the server keeps its databases in POSFIX_TEST_DATA.
std::string ConnectionString(const std::string& path);
// Runs an isql script as sysdba; the script attaches or creates its own database. Throws with
// isql's output when it fails.
void RunIsqlScript(const std::string& script);
// A table or column name as the server keeps it when written without quotes: ASCII upper case.
std::string ServerName(std::string name);

// One fresh POS database made from tests/schema/pos_schema.sql (built once into a template file
// per schema text, copied for each database), or, given a backup file, restored from it with
// `gbak -c`; dropped with the tool's backups of it when the object goes.
class TestDatabase {
public:
    TestDatabase() : TestDatabase(std::string()) {}
    explicit TestDatabase(const std::string& backupFile);
    ~TestDatabase();

    // The connection string, e.g. "localhost/3057:/path/posfix_123_4.fdb".
    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }
    // The backups the tool made of this database beside its file, oldest first.
    std::vector<std::string> BackupFiles() const;

    // Runs statements (text sent unchanged), each on the helper's own attachment and committed.
    void Exec(const std::string& sql) const;
    void ExecAll(const std::vector<std::string>& statements) const {
        for (const std::string& sql : statements) Exec(sql);
    }
    // All rows of a SELECT, every column (CHAR, VARCHAR, integers) as text, NULL as "<null>".
    std::vector<std::vector<std::string>> Rows(const std::string& select) const;
    // The first column of the first row.
    std::string Scalar(const std::string& select) const;
    long long Count(const std::string& table, const std::string& where = {}) const {
        return std::stoll(
            Scalar("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where)));
    }
    // Every row of a table, every column as text (a blob as "<blob:N bytes:H>", H a hash of its
    // content), sorted: for before/after comparisons.
    std::vector<std::vector<std::string>> Snapshot(const std::string& table) const;

private:
    std::string path_;
    std::string name_;
    std::unique_ptr<db::DbConnection> connection_;
};

// An isql-fb process attached to a database, as another program on the store's computer would be
// (its own process id, a TCP address), holding an uncommitted change made by statement as a
// running POS program holds the rows it works on (none when statement is empty). Created once the
// attachment, or the change, shows in the monitoring tables; rolled back and ended when it goes.
class IsqlHolder {
public:
    IsqlHolder(const TestDatabase& database, const std::string& statement);
    ~IsqlHolder() {
        Send("rollback;\nquit;\n");
        pclose(input_);
    }
    IsqlHolder(const IsqlHolder&) = delete;
    IsqlHolder& operator=(const IsqlHolder&) = delete;

    // Ends the change with a rollback; the process stays attached.
    void Rollback() { Send("rollback;\n"); }
    // The process id the server knows it by.
    const std::string& Pid() const { return pid_; }

private:
    void Send(const std::string& text) {
        std::fputs(text.c_str(), input_);
        std::fflush(input_);
    }

    std::FILE* input_ = nullptr;
    std::string pid_;
};

}  // namespace testing_support
