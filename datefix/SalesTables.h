#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace datefix {

// One table as the single-date move works through it: its key columns, the time stamp column its
// update rewrites (none for tables that keep their stamp), the row key and the prefix of its log
// lines.
struct SingleDateTable {
    const char* name;       // spelled as in every statement
    const char* columns;    // the key columns its selection reads after RDB$DB_KEY
    const char* stamp;      // "Upd_Dt", "Reg_Dt" or nullptr
    const char* key;        // "Sal_Seq", or "bill_no" in cs_master; nullptr in OC_REGISTER
    const char* logPrefix;  // begins the row's log line and, after "ERROR ", its error line
    bool tblSalSeq;         // OS_Order: the key includes Tbl_Sal_Seq
};

// The twenty tables in the order the single-date move works through them.
extern const std::array<SingleDateTable, 20> kSingleDateTables;

// The register table, moved after the twenty: its rows have no key and keep their stamp, and
// they are not logged one by one.
extern const SingleDateTable kRegisterTable;

// One statement of the multi-date realignment. A dependent table takes the real date of its
// sale's os_master row; a stamped table the real date of its own stamp column.
struct RealignTable {
    const char* name;   // spelled as in the statement and its error line
    const char* stamp;  // "upd_dt", "reg_dt", or nullptr for a dependent table
};

// The twenty statements in the order the realignment runs them: the dependent tables first,
// because they find their sale's real date through os_master rows not moved yet.
extern const std::array<RealignTable, 20> kRealignTables;

// --- Single-date move -----------------------------------------------------------------------

// Count of the rows of `table` booked under `targetDate` (column "cnt").
std::string TargetCountSql(const std::string& table, const std::string& targetDate);

// The distinct keys of `table` booked under `targetDate` (column named as the table's key).
std::string TargetKeysSql(const SingleDateTable& table, const std::string& targetDate);

// The rows of `date` in one table: RDB$DB_KEY, then the table's key columns.
std::string SelectionSql(const SingleDateTable& table, const std::string& date);

// A server-side block that moves rows of `table`, each addressed by its RDB$DB_KEY, from one date
// to another, as long as the row still carries the first date and its key; a stamped table's
// stamp gets the new date with the row's own time of day. Its parameters: the rows
// (PackRow, one after another), the date they carry, the date they get and that date as
// YYYY-MM-DD. It gives back the number of rows moved and, when it stopped at a row that it did not
// find as selected or that failed, that row's place in the batch (from 1; 0 when none did).
std::string MoveRowsBlockSql(const SingleDateTable& table);

// Appends one row to a batch for the block: its RDB$DB_KEY (8 bytes), then its key and, where
// the table has one, its Tbl_Sal_Seq, each as two length bytes and the value.
void PackRow(std::string& batch, const SingleDateTable& table, const std::string& dbKey,
             const std::string& key, const std::string& tblSalSeq);

// Largest batch handed to the block at once (its parameter's size).
constexpr std::size_t kMaxBatchBytes = 32000;

// Moves the rows of `wrongDate` with one key to `targetDate`, for a journal that lists keys
// without their rows' addresses. A table with a stamp column gets, row by row, `targetDashed`
// followed by that row's own characters 11 to 19 of the stamp, so every row keeps its own time of
// day.
std::string RowUpdateSql(const SingleDateTable& table, const std::string& targetDate,
                         const std::string& targetDashed, const std::string& wrongDate,
                         const std::string& key, const std::string& tblSalSeq);

// Moves every register row of `wrongDate` to `targetDate`.
std::string RegisterUpdateSql(const std::string& targetDate, const std::string& wrongDate);

// --- Multi-date realignment -----------------------------------------------------------------

// Earliest and latest real date ("sal_ymd1", "sal_ymd2") of the misdated os_master rows booked
// in fromDate..toDate whose stamp begins with a date YYYY-MM-DD; both null when there is none.
std::string SpanSql(const std::string& fromDate, const std::string& toDate);

// Count ("cnt") of os_master rows booked from `first` to `last`.
std::string SpanCountSql(const std::string& first, const std::string& last);

// The realignment statement of one table over fromDate..toDate. Like the span query it only
// takes rows whose stamp (os_master's for a dependent table) begins with a date YYYY-MM-DD.
std::string RealignSql(const RealignTable& table, const std::string& fromDate,
                       const std::string& toDate);

// Count ("cnt") of the rows of the stamped tables, booked in fromDate..toDate, that differ from
// their stamp's first ten characters but are kept back because those are no date YYYY-MM-DD.
// A null stamp is not counted.
std::string KeptBackCountSql(const std::string& fromDate, const std::string& toDate);

}  // namespace datefix
