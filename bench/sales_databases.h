#pragma once

// Store databases for the sales date benchmarks, built on the test server (POSFIX_TEST_SERVER,
// POSFIX_TEST_DATA) by one isql-fb script each, and the server's own pace for the same work.
#include <memory>
#include <string>
#include <vector>

namespace bench {

extern const char* const kWrongDate;     // the day booked under a wrong date
extern const char* const kTargetDate;    // the day after it, empty: where the move takes it
extern const char* const kLastMisdated;  // the misdated sales' last real day (realignment)

// What a store database holds: the twenty sales tables and the register, filled as a store's
// day fills them (several order lines and a payment per sale, some bills, points, tickets).
struct StoreShape {
    long daySales = 1000;          // sales booked under kWrongDate
    int earlierDays = 0;           // closed days before it
    long earlierSales = 1000;      // sales on each of them
    bool indexEveryTable = false;  // an index on (Sal_Ymd, key) in every table, else only in
                                   // OS_ORDER and OS_MASTER
    bool misdated = false;         // the day's sales stamped on the three days after it

    std::string Key() const;
    std::string Describe() const;
};

// Rows in the twenty tables for a day of `sales` sales (about 13.5 a sale).
long RowsOfDay(long sales);

// A database file of its own under POSFIX_TEST_DATA, removed with the backups beside it when the
// object goes.
class BenchDatabase {
public:
    static std::unique_ptr<BenchDatabase> Build(const StoreShape& shape);
    // A copy of the file (no attachment may be open on it).
    std::unique_ptr<BenchDatabase> Copy(const std::string& tag) const;
    ~BenchDatabase();
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

    const std::string& Name() const { return name_; }  // server:path
    const std::string& Path() const { return path_; }

private:
    explicit BenchDatabase(const std::string& tag);
    std::string path_;
    std::string name_;
};

// Reads every sales table through once, so that the record versions an earlier round left are
// collected now and not by whichever side runs next.
void Settle(const std::string& database);

// The tables (and the register) whose rows differ between two databases, by count and a hash
// of every row's date, key and stamp; empty when they hold the same.
std::string Differences(const std::string& database, const std::string& other);

struct ServerTimes {
    double total = 0;   // seconds, backup included
    double backup = 0;  // of which the backup
};

// The server's pace: a backup through the service manager, then each statement in a transaction
// of its own, committed.
ServerTimes BackupAndStatements(const std::string& database, const std::string& backupPath,
                                const std::vector<std::string>& statements);

// One UPDATE per sales table moving every row of `from` to `to` (the stamps' date part too, the
// time of day kept) and one for the register: what a move does, as the server does it fastest.
std::vector<std::string> TableMoveStatements(const std::string& from, const std::string& to);

}  // namespace bench
