#include "tests/support/TestDatabase.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"

namespace fs = std::filesystem;

namespace testing_support {

namespace {

const char* const kUser = "sysdba";
const char* const kPassword = "quillmoss";
// Bump when the way the template is built changes, so that old templates are not reused.
const char* const kTemplateVersion = "1";

std::string RequiredEnv(const char* name, const char* example) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string(name) +
                                 " is not set: the database tests need a running Firebird test "
                                 "server (e.g. " +
                                 name + "=" + example + ")");
    return value;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string SqlLiteral(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

// Holds an exclusive lock on a file for its lifetime, so that parallel test processes build
// the template one at a time.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ < 0) throw std::runtime_error("cannot open lock file " + path);
        if (::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            throw std::runtime_error("cannot lock " + path);
        }
    }
    ~FileLock() {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

// The template database for the current schema; built on first use.
std::string TemplatePath() {
    static std::mutex mutex;
    static std::string path;
    std::lock_guard<std::mutex> lock(mutex);
    if (!path.empty()) return path;

    const std::string schema = ReadFile(POSFIX_SCHEMA_FILE);
    const std::string dir = TestDataDir();
    fs::create_directories(dir);
    const std::string key = Hex(Fnv1a(std::string(kTemplateVersion) + "\n" + schema));
    const std::string templatePath = dir + "/posfix_template_" + key + ".fdb";

    FileLock fileLock(templatePath + ".lock");
    if (!fs::exists(templatePath)) {
        const std::string building =
            dir + "/posfix_template_" + key + "_" + std::to_string(::getpid()) + ".tmp.fdb";
        fs::remove(building);
        RunIsqlScript("CREATE DATABASE " + SqlLiteral(ConnectionString(building)) + " USER " +
                      SqlLiteral(kUser) + " PASSWORD " + SqlLiteral(kPassword) + ";\n" + schema +
                      "\nCOMMIT;\n");
        fs::rename(building, templatePath);
    }
    path = templatePath;
    return path;
}

}  // namespace

std::string ServerName(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string TestServer() {
    return RequiredEnv("POSFIX_TEST_SERVER", "localhost/3057");
}

std::string TestDataDir() {
    return RequiredEnv("POSFIX_TEST_DATA", "/tmp/fbproto/data");
}

std::string ConnectionString(const std::string& path) {
    return TestServer() + ":" + path;
}

void RunIsqlScript(const std::string& script) {
    static std::atomic<unsigned> counter{0};
    const std::string base = TestDataDir() + "/posfix_isql_" + std::to_string(::getpid()) + "_" +
                             std::to_string(++counter);
    const std::string input = base + ".sql";
    const std::string output = base + ".out";
    {
        std::ofstream out(input, std::ios::binary);
        out << script;
        if (!out) throw std::runtime_error("cannot write " + input);
    }
    const std::string command = "isql-fb -b -q -user " + std::string(kUser) + " -password " +
                                kPassword + " -i '" + input + "' > '" + output + "' 2>&1";
    const int status = std::system(command.c_str());
    std::string log;
    try {
        log = ReadFile(output);
    } catch (const std::exception&) {
    }
    fs::remove(input);
    fs::remove(output);
    if (status != 0 || log.find("Statement failed") != std::string::npos ||
        log.find("Unable to complete") != std::string::npos)
        throw std::runtime_error("isql-fb failed (is the test server " + TestServer() +
                                 " running?):\n" + log);
}

namespace {

std::string NewDatabasePath() {
    static std::atomic<unsigned> counter{0};
    return TestDataDir() + "/posfix_test_" + std::to_string(::getpid()) + "_" +
           std::to_string(++counter) + ".fdb";
}

}  // namespace

TestDatabase::TestDatabase() {
    const std::string source = TemplatePath();
    path_ = NewDatabasePath();
    fs::copy_file(source, path_, fs::copy_options::overwrite_existing);
    name_ = ConnectionString(path_);
    // Fails here, loudly, when the server is down.
    Connection();
}

TestDatabase::TestDatabase(const std::string& backupFile) {
    path_ = NewDatabasePath();
    name_ = ConnectionString(path_);
    const std::string command = "gbak -c -user " + std::string(kUser) + " -password " + kPassword +
                                " '" + backupFile + "' '" + name_ + "' 2>&1";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("gbak could not restore " + backupFile);
    // Fails here, loudly, when the server is down.
    Connection();
}

TestDatabase::~TestDatabase() {
    if (connection_) {
        try {
            connection_->Disconnect();
        } catch (const std::exception&) {
        }
        connection_.reset();
    }
    std::error_code ignored;
    fs::remove(path_, ignored);
    for (const std::string& backup : BackupFiles()) fs::remove(backup, ignored);
}

std::vector<std::string> TestDatabase::BackupFiles() const {
    const fs::path path(path_);
    const std::string prefix = path.stem().string() + "-";
    std::vector<std::string> files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(path.parent_path(), ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".fbk")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

db::DbConnection& TestDatabase::Connection() const {
    if (!connection_) {
        auto connection = std::make_unique<db::DbConnection>(name_);
        connection->Connect();
        connection_ = std::move(connection);
    }
    return *connection_;
}

void TestDatabase::Exec(const std::string& sql) const {
    db::DbConnection& connection = Connection();
    db::DbTransaction transaction(&connection, db::DbTransaction::Action::Rollback);
    transaction.StartTransaction();
    db::DbStatement statement(&connection, &transaction);
    statement.ExecuteSql(sql);
    transaction.Commit();
}

void TestDatabase::ExecAll(const std::vector<std::string>& statements) const {
    for (const std::string& sql : statements) Exec(sql);
}

std::vector<std::vector<std::string>> TestDatabase::Rows(const std::string& select) const {
    db::DbConnection& connection = Connection();
    db::DbTransaction transaction(&connection, db::DbTransaction::Action::Rollback);
    db::DbQuery query(&connection, &transaction);
    query.OpenQuery(select);
    std::vector<std::vector<std::string>> rows;
    if (query.HasRows()) {
        while (!query.Eof()) {
            std::vector<std::string> row;
            for (int i = 0; i < query.FieldCount(); ++i)
                row.push_back(query.FieldIsNullAt(i) ? "<null>" : query.FieldTextAt(i));
            rows.push_back(std::move(row));
            query.Next();
        }
    }
    transaction.Commit();
    return rows;
}

std::string TestDatabase::Scalar(const std::string& select) const {
    const auto rows = Rows(select);
    if (rows.empty() || rows.front().empty()) throw std::runtime_error("no value from: " + select);
    return rows.front().front();
}

long long TestDatabase::Count(const std::string& table, const std::string& where) const {
    std::string sql = "SELECT COUNT(*) FROM " + table;
    if (!where.empty()) sql += " WHERE " + where;
    return std::stoll(Scalar(sql));
}

std::vector<std::vector<std::string>> TestDatabase::Snapshot(const std::string& table) const {
    // The database layer reads no blobs: the server renders each one as its length and a hash
    // of its content.
    const auto columns = Rows(
        "select trim(rf.rdb$field_name), f.rdb$field_type from rdb$relation_fields rf "
        "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
        "where rf.rdb$relation_name = " +
        SqlLiteral(ServerName(table)) + " order by rf.rdb$field_position");
    std::string select;
    for (const auto& column : columns) {
        const std::string& name = column.at(0);  // unquoted: a string in dialect 1
        if (!select.empty()) select += ", ";
        select += column.at(1) == "261" ? "'<blob:' || octet_length(" + name +
                                              ") || ' bytes:' || hash(" + name + ") || '>'"
                                        : name;
    }
    auto rows = Rows("SELECT " + select + " FROM " + table);
    std::sort(rows.begin(), rows.end());
    return rows;
}

namespace {

// The isql-fb attachments of a database, or only those with uncommitted changes: their process
// ids.
std::vector<std::vector<std::string>> IsqlAttachments(const TestDatabase& database,
                                                      bool holdingOnly) {
    if (!holdingOnly)
        return database.Rows(
            "SELECT MON$REMOTE_PID FROM MON$ATTACHMENTS WHERE MON$REMOTE_PROCESS CONTAINING "
            "'isql'");
    return database.Rows(
        "SELECT DISTINCT a.MON$REMOTE_PID FROM MON$TRANSACTIONS t"
        " JOIN MON$ATTACHMENTS a ON a.MON$ATTACHMENT_ID = t.MON$ATTACHMENT_ID"
        " JOIN MON$TABLE_STATS ts ON ts.MON$STAT_ID = t.MON$STAT_ID"
        " JOIN MON$RECORD_STATS r ON r.MON$STAT_ID = ts.MON$RECORD_STAT_ID"
        " WHERE a.MON$REMOTE_PROCESS CONTAINING 'isql'"
        " AND r.MON$RECORD_UPDATES + r.MON$RECORD_INSERTS + r.MON$RECORD_DELETES > 0");
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 100; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

IsqlHolder::IsqlHolder(const TestDatabase& database, const std::string& statement)
    : database_(database) {
    const std::string command = "exec isql-fb -q -user " + std::string(kUser) + " -password " +
                                kPassword + " '" + database.Name() + "' > /dev/null 2>&1";
    input_ = popen(command.c_str(), "w");
    if (!input_) throw std::runtime_error("cannot start isql-fb");
    const bool holding = !statement.empty();
    if (holding) Send(statement + ";\n");
    if (!WaitFor([&] { return !IsqlAttachments(database_, holding).empty(); })) {
        pclose(input_);
        throw std::runtime_error("isql-fb did not attach or hold its change: " + statement);
    }
    pid_ = IsqlAttachments(database_, holding).front().front();
}

IsqlHolder::~IsqlHolder() {
    Send("rollback;\nquit;\n");
    pclose(input_);
}

void IsqlHolder::Rollback() {
    Send("rollback;\n");
}

void IsqlHolder::Send(const std::string& text) {
    std::fputs(text.c_str(), input_);
    std::fflush(input_);
}

}  // namespace testing_support
