#include "bench/sales_databases.h"

#include <unistd.h>

#include <QDate>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/ServiceBackup.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace bench {

const char* const kWrongDate = "20240313";
const char* const kTargetDate = "20240314";
const char* const kLastMisdated = "20240316";

namespace {

const char* const kUser = "sysdba";
const char* const kPassword = "quillmoss";

// One sales table as a store fills it. Each row belongs to sale s = 1 + j * sales / rows (j the
// row's number in its day, from 0); extra columns take values from j and s.
struct Table {
    const char* name;
    const char* key;    // SAL_SEQ, or BILL_NO in CS_MASTER
    const char* stamp;  // UPD_DT, REG_DT or none
    int perThousand;    // rows per 1,000 sales
    const char* columns;
    const char* values;
};

constexpr const char* kAmount = "AMT, REMARK";
constexpr const char* kAmountValues = "mod(:j * 37, 9000), 'remark ' || :j";
constexpr const char* kItem = "ITEM_NO, REMARK";
constexpr const char* kItemValues = "1 + mod(:j, 4), 'item ' || :j";

// 13,530 rows for 1,000 sales. OS_ORDER holds three lines a sale, numbered by Tbl_Sal_Seq; a few
// sales have two payments, so a key may stand for two rows of a table.
const Table kTables[] = {
    {"OS_ORDER", "SAL_SEQ", "UPD_DT", 3000, "TBL_SAL_SEQ, PROD_CD, QTY, AMT",
     "mod(:j, 3) + 1, 'P' || lpad(mod(:j * 7, 500), 5, '0'), 1 + mod(:j, 2), "
     "1000 + mod(:j * 37, 9000)"},
    {"OS_ORDER_H", "SAL_SEQ", "UPD_DT", 1000, "TBL_NO, TOT_AMT",
     "lpad(mod(:s, 40), 3, '0'), 3000 + mod(:s * 53, 20000)"},
    {"OS_ORDER_SETITEM", "SAL_SEQ", "UPD_DT", 600, "PROD_CD, PROD_I_CD",
     "'S' || lpad(mod(:j, 50), 4, '0'), 'I' || lpad(mod(:j * 3, 80), 4, '0')"},
    {"OS_MASTER", "SAL_SEQ", "UPD_DT", 1000, "TBL_NO, TOT_AMT",
     "lpad(mod(:s, 40), 3, '0'), 3000 + mod(:s * 53, 20000)"},
    {"OS_PAY", "SAL_SEQ", "UPD_DT", 1030, "PAY_GB, PAY_AMT",
     "'0' || (1 + mod(:j, 3)), 3000 + mod(:j * 53, 20000)"},
    {"OS_PAY_INFO", "SAL_SEQ", nullptr, 900, "CARD_NO, APV_NO, APV_AMT",
     "'9410' || lpad(:j, 12, '0'), lpad(:s, 8, '0'), 3000 + mod(:j * 53, 20000)"},
    {"OS_ORDER_TBL_SEQ", "SAL_SEQ", "REG_DT", 1000, "TBL_NO", "lpad(mod(:s, 40), 3, '0')"},
    {"CS_MASTER", "BILL_NO", "UPD_DT", 500, "CUST_NO, AMT",
     "'C' || lpad(mod(:s, 300), 5, '0'), 3000 + mod(:s * 53, 20000)"},
    {"CS_BALANCE", "SAL_SEQ", "UPD_DT", 200, kAmount, kAmountValues},
    {"MS_POINT_DETAIL", "SAL_SEQ", "UPD_DT", 400, kAmount, kAmountValues},
    {"OS_ASSOCIATES", "SAL_SEQ", "UPD_DT", 100, kAmount, kAmountValues},
    {"OS_FISHING_GAME", "SAL_SEQ", "UPD_DT", 50, kAmount, kAmountValues},
    {"OS_MOBILE_PAY", "SAL_SEQ", "UPD_DT", 150, kAmount, kAmountValues},
    {"OS_TAXPAY", "SAL_SEQ", "UPD_DT", 1000, kAmount, kAmountValues},
    {"OS_ETC_INWON", "SAL_SEQ", nullptr, 1000, kItem, kItemValues},
    {"OS_ETC_INWON_PAY", "SAL_SEQ", nullptr, 300, kItem, kItemValues},
    {"OS_INWON_DETAIL", "SAL_SEQ", nullptr, 1000, kItem, kItemValues},
    {"OS_LSTICKET_APV_BARCODE", "SAL_SEQ", nullptr, 100, kItem, kItemValues},
    {"OS_LSTICKET_APV_DETAIL", "SAL_SEQ", nullptr, 100, kItem, kItemValues},
    {"OS_LSTICKET_APV_HEAD", "SAL_SEQ", nullptr, 100, kItem, kItemValues},
};

long RowsOf(const Table& table, long sales) {
    return (sales * table.perThousand + 500) / 1000;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set");
    return value;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

void RunIsql(const std::string& scriptPath) {
    const std::string log = scriptPath + ".log";
    const std::string command = "isql-fb -b -q -user " + std::string(kUser) + " -password " +
                                kPassword + " -i '" + scriptPath + "' > '" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string output = ReadFile(log);
    fs::remove(log);
    if (status != 0 || output.find("Statement failed") != std::string::npos)
        throw std::runtime_error("isql-fb failed on " + scriptPath + ":\n" + output);
}

QDate DayOf(const char* ymd) {
    return QDate::fromString(QString::fromLatin1(ymd), QStringLiteral("yyyyMMdd"));
}

std::string Quoted(const QDate& day, const char* format) {
    return "'" + day.toString(QString::fromLatin1(format)).toStdString() + "'";
}

// A server-side block inserting one day of `sales` sales into every table. `stampDay` is the
// date part of the stamps, an SQL expression that may use :s.
std::string DayBlock(const QDate& day, long sales, const std::string& stampDay, bool closed) {
    const std::string ymd = Quoted(day, "yyyyMMdd");
    const std::string n = std::to_string(sales);
    std::string block =
        "execute block as declare j integer; declare s integer; declare t bigint;\nbegin\n";
    for (const Table& table : kTables) {
        const long rows = RowsOf(table, sales);
        if (rows == 0) continue;
        const std::string m = std::to_string(rows);
        const std::string key =
            std::string(table.key) == "BILL_NO" ? "lpad(:s, 6, '0')" : std::string(":s");
        std::string columns = std::string("SAL_YMD, ") + table.key + ", " + table.columns;
        std::string values = ymd + ", " + key + ", " + table.values;
        if (table.stamp) {
            // Sales from 09:00 to 22:00, in the order of their numbers.
            columns += std::string(", ") + table.stamp;
            values += ", " + stampDay +
                      " || ' ' || lpad(9 + :t / 3600, 2, '0') || ':' || "
                      "lpad(mod(:t / 60, 60), 2, '0') || ':' || lpad(mod(:t, 60), 2, '0')";
        }
        block += "  j = 0;\n  while (j < " + m + ") do begin\n    s = 1 + j * " + n + " / " + m +
                 ";\n    t = s * 46800 / " + n + ";\n    insert into " + table.name + " (" +
                 columns + ") values (" + values + ");\n    j = j + 1;\n  end\n";
    }
    const std::string stamp = Quoted(day, "yyyy-MM-dd");
    block += "  insert into OC_REGISTER (SAL_YMD, OC_GB, UPD_DT) values (" + ymd + ", 'O', " +
             stamp + " || ' 08:55:00');\n";
    if (closed)
        block += "  insert into OC_REGISTER (SAL_YMD, OC_GB, UPD_DT) values (" + ymd + ", 'C', " +
                 stamp + " || ' 23:10:00');\n";
    return block + "end^\n";
}

// The hash of a table's rows: count and sum of a hash of each row's date, key and stamp.
std::string ContentsSql(const char* table, const char* key, const char* stamp) {
    const std::string row = std::string("sal_ymd || '|' || ") + key + " || '|' || coalesce(" +
                            (stamp ? stamp : "''") + ", '')";
    return std::string("select count(*) cnt, sum(mod(hash(") + row + "), 1000003)) h from " + table;
}

}  // namespace

std::string StoreShape::Key() const {
    return std::to_string(daySales) + "-" + std::to_string(earlierDays) + "x" +
           std::to_string(earlierSales) + (indexEveryTable ? "-ix" : "") + (misdated ? "-mis" : "");
}

std::string StoreShape::Describe() const {
    std::string text =
        std::to_string(daySales) + " sales (" + std::to_string(RowsOfDay(daySales)) + " rows)";
    if (misdated) text += " stamped on the three days after their date";
    text += ", " + std::to_string(earlierDays) + " earlier days";
    if (earlierDays > 0) text += " of " + std::to_string(earlierSales) + " sales";
    text += indexEveryTable ? ", an index on (Sal_Ymd, key) in every table"
                            : ", an index only in OS_ORDER and OS_MASTER";
    return text;
}

long RowsOfDay(long sales) {
    long rows = 0;
    for (const Table& table : kTables) rows += RowsOf(table, sales);
    return rows;
}

BenchDatabase::BenchDatabase(const std::string& tag) {
    static int counter = 0;
    path_ = Env("POSFIX_TEST_DATA") + "/posfix_bench_datefix_" + std::to_string(::getpid()) + "_" +
            tag + std::to_string(++counter) + ".fdb";
    name_ = Env("POSFIX_TEST_SERVER") + ":" + path_;
    fs::remove(path_);
}

std::unique_ptr<BenchDatabase> BenchDatabase::Build(const StoreShape& shape) {
    std::unique_ptr<BenchDatabase> database(new BenchDatabase("store"));
    std::string script = "create database '" + database->name_ + "' user '" + kUser +
                         "' password '" + kPassword + "';\n" + ReadFile(POSFIX_SCHEMA_FILE) +
                         "\ncommit;\nset term ^;\n";
    const QDate wrong = DayOf(kWrongDate);
    for (int back = shape.earlierDays; back >= 1; --back) {
        const QDate day = wrong.addDays(-back);
        script += DayBlock(day, shape.earlierSales, Quoted(day, "yyyy-MM-dd"), true);
    }
    std::string stampDay = Quoted(wrong, "yyyy-MM-dd");
    if (shape.misdated) {
        // A day not closed: its sales were made over the three days after it, in order.
        const std::string n = std::to_string(shape.daySales);
        stampDay = "case when :s * 3 <= " + n + " then " + Quoted(wrong.addDays(1), "yyyy-MM-dd") +
                   " when :s * 3 <= 2 * " + n + " then " + Quoted(wrong.addDays(2), "yyyy-MM-dd") +
                   " else " + Quoted(wrong.addDays(3), "yyyy-MM-dd") + " end";
    }
    script += DayBlock(wrong, shape.daySales, stampDay, false);
    script += "set term ;^\ncommit;\n";
    // Indexes after the rows: built in one pass each.
    for (const Table& table : kTables) {
        const std::string name = table.name;
        if (shape.indexEveryTable || name == "OS_ORDER" || name == "OS_MASTER")
            script +=
                "create index IX_" + name + " on " + name + " (SAL_YMD, " + table.key + ");\n";
    }
    script += "commit;\n";
    const std::string scriptPath = database->path_ + ".sql";
    WriteFile(scriptPath, script);
    try {
        RunIsql(scriptPath);
    } catch (...) {
        std::error_code ignored;
        fs::remove(scriptPath, ignored);
        throw;
    }
    fs::remove(scriptPath);
    return database;
}

std::unique_ptr<BenchDatabase> BenchDatabase::Copy(const std::string& tag) const {
    std::unique_ptr<BenchDatabase> copy(new BenchDatabase(tag));
    fs::copy_file(path_, copy->path_, fs::copy_options::overwrite_existing);
    return copy;
}

BenchDatabase::~BenchDatabase() {
    std::error_code ignored;
    fs::remove(path_, ignored);
    // The backups made of it, beside the file.
    const std::string prefix = fs::path(path_).stem().string() + "-";
    for (const auto& entry : fs::directory_iterator(fs::path(path_).parent_path(), ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".fbk")
            fs::remove(entry.path(), ignored);
    }
}

void Settle(const std::string& database) {
    db::DbConnection connection(database);
    db::DbTransaction reader(&connection);
    db::DbQuery query(&connection, &reader);
    for (const Table& table : kTables)
        query.OpenQuery(std::string("select count(*) cnt from ") + table.name);
    query.OpenQuery("select count(*) cnt from OC_REGISTER");
    reader.Commit();
    connection.Disconnect();
}

std::string Differences(const std::string& database, const std::string& other) {
    auto contents = [](const std::string& name) {
        db::DbConnection connection(name);
        db::DbTransaction reader(&connection);
        db::DbQuery query(&connection, &reader);
        std::vector<std::string> sums;
        auto read = [&](const std::string& sql) {
            query.OpenQuery(sql);
            sums.push_back(query.FieldText("cnt") + "/" + query.FieldText("h"));
        };
        for (const Table& table : kTables) read(ContentsSql(table.name, table.key, table.stamp));
        read(ContentsSql("OC_REGISTER", "OC_GB", "UPD_DT"));
        reader.Commit();
        connection.Disconnect();
        return sums;
    };
    const std::vector<std::string> a = contents(database), b = contents(other);
    std::string differ;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        if (!differ.empty()) differ += ", ";
        differ += i < std::size(kTables) ? kTables[i].name : "OC_REGISTER";
    }
    return differ;
}

ServerTimes BackupAndStatements(const std::string& database, const std::string& backupPath,
                                const std::vector<std::string>& statements) {
    db::DbConnection connection(database);
    connection.Connect();
    ServerTimes times;
    const auto start = Clock::now();
    db::BackUpThroughServer(connection, backupPath, [](int, int) {});
    times.backup = Seconds(start);
    db::DbTransaction writer(&connection);
    db::DbQuery query(&connection, &writer);
    for (const std::string& sql : statements) {
        writer.StartTransaction();
        query.ExecuteSql(sql);
        writer.Commit();
    }
    times.total = Seconds(start);
    connection.Disconnect();
    fs::remove(backupPath);
    return times;
}

std::vector<std::string> TableMoveStatements(const std::string& from, const std::string& to) {
    const std::string toDashed = to.substr(0, 4) + "-" + to.substr(4, 2) + "-" + to.substr(6, 2);
    std::vector<std::string> statements;
    for (const Table& table : kTables) {
        std::string sql = std::string("update ") + table.name + " set sal_ymd = '" + to + "'";
        if (table.stamp)
            sql += std::string(", ") + table.stamp + " = '" + toDashed +
                   "' || coalesce(substring(" + table.stamp + " from 11 for 9), '')";
        statements.push_back(sql + " where sal_ymd = '" + from + "'");
    }
    statements.push_back("update OC_REGISTER set sal_ymd = '" + to + "' where sal_ymd = '" + from +
                         "'");
    return statements;
}

}  // namespace bench
