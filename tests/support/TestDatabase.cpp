#include "tests/support/TestDatabase.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
#include "db/SqlQuote.h"

namespace fs = std::filesystem;

namespace testing_support {

namespace {

const std::string kLogin = " -user sysdba -password quillmoss ";

// The environment names the test server; a test that needs it fails loudly without it.
std::string RequiredEnv(const char* name, const char* example) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string(name) +
                                 " is not set: the database tests need a "
                                 "running Firebird test server (e.g. " +
                                 name + "=" + example + ")");
    return value;
}

std::string TestServer() {
    return RequiredEnv("POSFIX_TEST_SERVER", "localhost/3057");
}

std::string TestDataDir() {
    return RequiredEnv("POSFIX_TEST_DATA", "/tmp/fbproto/data");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// A file name of its own in the data folder: "<prefix>_<pid>_<n><suffix>".
std::string NewFile(const std::string& prefix, const std::string& suffix) {
    static std::atomic<unsigned> counter{0};
    return TestDataDir() + "/" + prefix + "_" + std::to_string(::getpid()) + "_" +
           std::to_string(++counter) + suffix;
}

// The template database of the current schema text, built on first use; parallel test
// processes build it one at a time under a lock on a file beside it.
std::string TemplatePath() {
    static std::mutex mutex;
    static std::string path;
    std::lock_guard<std::mutex> lock(mutex);
    if (!path.empty()) return path;
    const std::string schema = ReadFile(POSFIX_SCHEMA_FILE);
    fs::create_directories(TestDataDir());
    const std::string built = TestDataDir() + "/posfix_template_" +
                              std::to_string(std::hash<std::string>{}(schema)) + ".fdb";
    const int fd = ::open((built + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + built);
    const std::unique_ptr<int, void (*)(int*)> unlock(new int(fd), [](int* f) {
        ::close(*f);  // ends the lock
        delete f;
    });
    if (!fs::exists(built)) {
        const std::string building = NewFile("posfix_template", ".tmp.fdb");
        RunIsqlScript("CREATE DATABASE " + db::SqlQuote(ConnectionString(building)) +
                      " USER 'sysdba' PASSWORD 'quillmoss';\n" + schema + "\nCOMMIT;\n");
        fs::rename(building, built);
    }
    return path = built;
}

}  // namespace

std::string ServerName(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string ConnectionString(const std::string& path) {
    return TestServer() + ":" + path;
}

void RunIsqlScript(const std::string& script) {
    const std::string input = NewFile("posfix_isql", ".sql"), output = input + ".out";
    std::ofstream(input, std::ios::binary) << script;
    const int status = std::system(
        ("isql-fb -b -q" + kLogin + "-i '" + input + "' > '" + output + "' 2>&1").c_str());
    const std::string log = fs::exists(output) ? ReadFile(output) : "";
    fs::remove(input);
    fs::remove(output);
    if (status != 0 || log.find("Statement failed") != std::string::npos ||
        log.find("Unable to complete") != std::string::npos)
        throw std::runtime_error("isql-fb failed (is the test server " + TestServer() +
                                 " running?):\n" + log);
}

TestDatabase::TestDatabase(const std::string& backupFile)
    : path_(NewFile("posfix_test", ".fdb")), name_(ConnectionString(path_)) {
    if (backupFile.empty())
        fs::copy_file(TemplatePath(), path_, fs::copy_options::overwrite_existing);
    else if (std::system(
                 ("gbak -c" + kLogin + "'" + backupFile + "' '" + name_ + "' 2>&1").c_str()))
        throw std::runtime_error("gbak could not restore " + backupFile);
    connection_ = std::make_unique<db::DbConnection>(name_);
    connection_->Connect();  // fails here, loudly, when the server is down
}

TestDatabase::~TestDatabase() {
    connection_.reset();  // detaches; a failure is not raised
    std::error_code ignored;
    fs::remove(path_, ignored);
    for (const std::string& backup : BackupFiles()) fs::remove(backup, ignored);
}

std::vector<std::string> TestDatabase::BackupFiles() const {
    const fs::path path(path_);
    const std::string prefix = path.stem().string() + "-";
    std::vector<std::string> files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(path.parent_path(), ignored))
        if (entry.path().filename().string().rfind(prefix, 0) == 0 &&
            entry.path().extension() == ".fbk")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

void TestDatabase::Exec(const std::string& sql) const {
    db::DbTransaction transaction(connection_.get(), db::DbTransaction::Action::Rollback);
    transaction.StartTransaction();
    db::DbStatement(connection_.get(), &transaction).ExecuteSql(sql);
    transaction.Commit();
}

std::vector<std::vector<std::string>> TestDatabase::Rows(const std::string& select) const {
    db::DbTransaction transaction(connection_.get(), db::DbTransaction::Action::Rollback);
    db::DbQuery query(connection_.get(), &transaction);
    query.OpenQuery(select);
    std::vector<std::vector<std::string>> rows;
    for (; query.HasRows() && !query.Eof(); query.Next()) {
        rows.emplace_back();
        for (int i = 0; i < query.FieldCount(); ++i)
            rows.back().push_back(query.FieldIsNullAt(i) ? "<null>" : query.FieldTextAt(i));
    }
    transaction.Commit();
    return rows;
}

std::string TestDatabase::Scalar(const std::string& select) const {
    const auto rows = Rows(select);
    if (rows.empty() || rows.front().empty()) throw std::runtime_error("no value from: " + select);
    return rows.front().front();
}

std::vector<std::vector<std::string>> TestDatabase::Snapshot(const std::string& table) const {
    // The database layer reads no blobs: the server renders each one as its length and a hash
    // of its content. Column names are unquoted: a string in dialect 1.
    std::string select;
    for (const auto& column :
         Rows("select trim(rf.rdb$field_name), f.rdb$field_type from rdb$relation_fields rf "
              "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source where "
              "rf.rdb$relation_name = " +
              db::SqlQuote(ServerName(table)) + " order by rf.rdb$field_position")) {
        const std::string& name = column.at(0);
        select += (select.empty() ? "" : ", ") +
                  (column.at(1) == "261" ? "'<blob:' || octet_length(" + name +
                                               ") || ' bytes:' || hash(" + name + ") || '>'"
                                         : name);
    }
    auto rows = Rows("SELECT " + select + " FROM " + table);
    std::sort(rows.begin(), rows.end());
    return rows;
}

IsqlHolder::IsqlHolder(const TestDatabase& database, const std::string& statement) {
    input_ = popen(
        ("exec isql-fb -q" + kLogin + "'" + database.Name() + "' > /dev/null 2>&1").c_str(), "w");
    if (!input_) throw std::runtime_error("cannot start isql-fb");
    if (!statement.empty()) Send(statement + ";\n");
    // Its attachment, or the one with uncommitted changes, in the monitoring tables; a loaded
    // machine may take seconds to start isql-fb, so it is given up to 30 s.
    std::string select = "SELECT DISTINCT a.MON$REMOTE_PID FROM MON$ATTACHMENTS a";
    if (!statement.empty())
        select +=
            " JOIN MON$TRANSACTIONS t ON t.MON$ATTACHMENT_ID = a.MON$ATTACHMENT_ID"
            " JOIN MON$TABLE_STATS ts ON ts.MON$STAT_ID = t.MON$STAT_ID"
            " JOIN MON$RECORD_STATS r ON r.MON$STAT_ID = ts.MON$RECORD_STAT_ID"
            " AND r.MON$RECORD_UPDATES + r.MON$RECORD_INSERTS + r.MON$RECORD_DELETES > 0";
    select += " WHERE a.MON$REMOTE_PROCESS CONTAINING 'isql'";
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 600 && (rows = database.Rows(select)).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!rows.empty()) pid_ = rows.front().front();
    if (pid_.empty()) {
        pclose(input_);
        throw std::runtime_error("isql-fb did not attach or hold its change: " + statement);
    }
}

}  // namespace testing_support
