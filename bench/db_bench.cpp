// Measures the database layer against the test server (POSFIX_TEST_SERVER, POSFIX_TEST_DATA):
//
//  1. N distinct single-row UPDATE texts (a per-row date move, every value through SqlQuote)
//     run through DbQuery::ExecuteSql in one transaction, and the same statements as one
//     isql-fb script against a copy of the same database: statements per second and the ratio.
//  2. A SELECT of 200,000 rows read with OpenQuery/Next/FieldText: rows per second against
//     isql-fb printing the same rows, and the peak memory above the process's baseline.
//
// Usage: db_bench [N] [ROWS]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/DbConnection.h"
#include "db/DbError.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kUser = "sysdba";
const char* const kPassword = "quillmoss";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs isql-fb on a script file; its standard output goes to `output`.
void RunIsql(const std::string& scriptPath, const std::string& output = "/dev/null") {
    const std::string command = "isql-fb -b -q -user " + std::string(kUser) + " -password " +
                                kPassword + " -i '" + scriptPath + "' > '" + output + "' 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::ifstream log(output);
        std::stringstream text;
        text << log.rdbuf();
        throw std::runtime_error("isql-fb failed on " + scriptPath + ":\n" + text.str());
    }
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

long ProcStatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
    return -1;
}

// Lets VmHWM start again from the current resident size (Linux 4.0 and later).
void ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

struct Files {
    std::string server, dir, tag;
    std::vector<std::string> made;
    std::string Path(const std::string& name) {
        made.push_back(dir + "/posfix_bench_" + tag + "_" + name);
        return made.back();
    }
    std::string Connection(const std::string& path) const { return server + ":" + path; }
    ~Files() {
        for (const std::string& path : made) {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    }
};

// A database with one sales table of `rows` rows on business date 20240313, Sal_Seq 1..rows.
void CreateSalesDatabase(Files& files, const std::string& path, int rows) {
    const std::string script = files.Path("create.sql");
    WriteFile(script,
              "CREATE DATABASE " + db::SqlQuote(files.Connection(path)) +
                  " USER 'sysdba' "
                  "PASSWORD 'quillmoss';\n"
                  "CREATE TABLE OS_ORDER_H (SAL_YMD CHAR(8) NOT NULL, SAL_SEQ INTEGER NOT NULL, "
                  "TOT_AMT INTEGER DEFAULT 0, POS_NO VARCHAR(10), UPD_DT VARCHAR(30));\n"
                  "CREATE INDEX OS_ORDER_H_KEY ON OS_ORDER_H (SAL_YMD, SAL_SEQ);\n"
                  "COMMIT;\n"
                  "SET TERM ^;\n"
                  "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " +
                  std::to_string(rows) +
                  ") DO BEGIN INSERT INTO OS_ORDER_H (SAL_YMD, SAL_SEQ, TOT_AMT, POS_NO, "
                  "UPD_DT) VALUES ('20240313', :I, :I * 100, '01', '2024-03-14 09:30:00'); "
                  "I = I + 1; END END^\n"
                  "SET TERM ;^\n"
                  "COMMIT;\n");
    RunIsql(script);
}

std::vector<std::string> DateMoveStatements(int n) {
    std::vector<std::string> statements;
    statements.reserve(n);
    for (int k = 1; k <= n; ++k) {
        statements.push_back(" Update OS_ORDER_H Set   Sal_Ymd = " + db::SqlQuote("20240314") +
                             ", Upd_Dt = " + db::SqlQuote("2024-03-14 10:00:00") +
                             "  Where Sal_Ymd = " + db::SqlQuote("20240313") +
                             "  And Sal_Seq = " + db::SqlQuote(std::to_string(k)) + " ");
    }
    return statements;
}

// Moves every row through the layer: attach, one transaction, every statement through
// ExecuteSql, commit. Returns the seconds taken.
double RunThroughLayer(const std::string& connectionString,
                       const std::vector<std::string>& statements) {
    const auto start = Clock::now();
    db::DbConnection connection(connectionString);
    db::DbTransaction transaction(&connection);
    db::DbQuery query(&connection, &transaction);
    for (const std::string& sql : statements) query.ExecuteSql(sql);
    transaction.Commit();
    connection.Disconnect();
    return Seconds(start);
}

// The same statements as one isql-fb script: all in isql's one transaction, then COMMIT.
double RunThroughIsql(Files& files, const std::string& connectionString,
                      const std::vector<std::string>& statements) {
    std::string script =
        "CONNECT " + db::SqlQuote(connectionString) + " USER 'sysdba' PASSWORD 'quillmoss';\n";
    for (const std::string& sql : statements) script += sql + ";\n";
    script += "COMMIT;\n";
    const std::string scriptPath = files.Path("updates.sql");
    WriteFile(scriptPath, script);
    const auto start = Clock::now();
    RunIsql(scriptPath);
    return Seconds(start);
}

int MovedRows(const std::string& connectionString) {
    db::DbConnection connection(connectionString);
    db::DbTransaction transaction(&connection);
    db::DbQuery query(&connection, &transaction);
    query.OpenQuery("select count(*) as cnt from os_order_h where sal_ymd = '20240314'");
    return query.FieldInt("cnt");
}

void UpdateBenchmark(Files& files, int n) {
    const std::string source = files.Path("updates_source.fdb");
    CreateSalesDatabase(files, source, n);
    const std::vector<std::string> statements = DateMoveStatements(n);

    // Two rounds in opposite order, each on fresh copies of one database, so that neither side
    // profits from running second.
    double isqlSeconds = 0, layerSeconds = 0;
    for (int round = 0; round < 2; ++round) {
        const std::string forLayer = files.Path("updates_layer_" + std::to_string(round) + ".fdb");
        const std::string forIsql = files.Path("updates_isql_" + std::to_string(round) + ".fdb");
        fs::copy_file(source, forLayer, fs::copy_options::overwrite_existing);
        fs::copy_file(source, forIsql, fs::copy_options::overwrite_existing);
        if (round == 0) {
            isqlSeconds += RunThroughIsql(files, files.Connection(forIsql), statements);
            layerSeconds += RunThroughLayer(files.Connection(forLayer), statements);
        } else {
            layerSeconds += RunThroughLayer(files.Connection(forLayer), statements);
            isqlSeconds += RunThroughIsql(files, files.Connection(forIsql), statements);
        }
        const int movedLayer = MovedRows(files.Connection(forLayer));
        const int movedIsql = MovedRows(files.Connection(forIsql));
        if (movedLayer != n || movedIsql != n)
            throw std::runtime_error("not every row was moved: layer " +
                                     std::to_string(movedLayer) + ", isql-fb " +
                                     std::to_string(movedIsql));
    }

    const double layerRate = 2.0 * n / layerSeconds;
    const double isqlRate = 2.0 * n / isqlSeconds;
    std::printf("UPDATE statements: %d distinct single-row texts, one transaction, 2 rounds\n", n);
    std::printf("  isql-fb script (baseline) : %9.0f statements/s  (%.2f s)\n", isqlRate,
                isqlSeconds);
    std::printf("  DbQuery::ExecuteSql       : %9.0f statements/s  (%.2f s)\n", layerRate,
                layerSeconds);
    std::printf("  ratio layer / isql-fb     : %9.2f  (goal >= 1.00)\n", layerRate / isqlRate);
}

void ReadBenchmark(Files& files, int rows) {
    const std::string path = files.Path("read.fdb");
    CreateSalesDatabase(files, path, rows);
    const std::string select =
        "select sal_ymd, sal_seq, tot_amt, pos_no, upd_dt from os_order_h order by sal_seq";

    // isql-fb printing every row to a file, as the baseline for reading speed.
    const std::string scriptPath = files.Path("read.sql");
    WriteFile(scriptPath, "CONNECT " + db::SqlQuote(files.Connection(path)) +
                              " USER 'sysdba' PASSWORD 'quillmoss';\nSET HEADING OFF;\n" + select +
                              ";\n");
    const std::string output = files.Path("read.out");
    auto start = Clock::now();
    RunIsql(scriptPath, output);
    const double isqlSeconds = Seconds(start);

    db::DbConnection connection(files.Connection(path));
    db::DbTransaction transaction(&connection);
    db::DbQuery query(&connection, &transaction);
    connection.Connect();
    transaction.StartTransaction();

    ResetPeakRss();
    const long baselineKb = ProcStatusKb("VmRSS");
    start = Clock::now();
    query.OpenQuery(select);
    long long read = 0, checksum = 0;
    std::size_t textBytes = 0;
    if (query.HasRows()) {
        while (!query.Eof()) {
            textBytes += query.FieldText("sal_ymd").size() + query.FieldText("pos_no").size() +
                         query.FieldText("upd_dt").size();
            checksum += query.FieldInt("sal_seq") + query.FieldInt("tot_amt") % 7;
            ++read;
            query.Next();
        }
    }
    const double layerSeconds = Seconds(start);
    const long peakKb = ProcStatusKb("VmHWM");
    query.Close();
    transaction.Commit();

    const double layerRate = read / layerSeconds;
    const double isqlRate = rows / isqlSeconds;
    std::printf("\nSELECT of %d rows (5 columns) read with OpenQuery/Next/FieldText\n", rows);
    std::printf("  isql-fb printing (baseline): %9.0f rows/s  (%.2f s)\n", isqlRate, isqlSeconds);
    std::printf(
        "  DbQuery                    : %9.0f rows/s  (%.2f s, %lld rows, %zu text bytes,"
        " checksum %lld)\n",
        layerRate, layerSeconds, read, textBytes, checksum);
    std::printf("  ratio layer / isql-fb      : %9.2f\n", layerRate / isqlRate);
    std::printf(
        "  memory: baseline RSS %ld KiB, peak %ld KiB, delta %ld KiB (%.1f bytes/row), "
        "peak/baseline %.2f\n",
        baselineKb, peakKb, peakKb - baselineKb,
        1024.0 * static_cast<double>(peakKb - baselineKb) / rows,
        static_cast<double>(peakKb) / baselineKb);
    if (read != rows) throw std::runtime_error("not every row was read");
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int rows = argc > 2 ? std::atoi(argv[2]) : 200000;
    try {
        Files files;
        files.server = Env("POSFIX_TEST_SERVER");
        files.dir = Env("POSFIX_TEST_DATA");
        files.tag = std::to_string(::getpid());
        UpdateBenchmark(files, n);
        ReadBenchmark(files, rows);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "db_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
