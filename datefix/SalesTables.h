#pragma once

#include <array>
#include <string>

namespace datefix {

// One sales table as the single-date move works through it: the select list of its selection,
// the time stamp column its update rewrites (none for tables that keep their stamp), the row key
// and the prefix of its log lines.
struct SingleDateTable {
    const char* name;       // spelled as in both statements
    const char* columns;    // the select list between " Select " and " From "
    const char* stamp;      // "Upd_Dt", "Reg_Dt" or nullptr
    const char* key;        // "Sal_Seq", or "bill_no" in cs_master
    const char* logPrefix;  // begins the row's log line and, after "ERROR ", its error line
    bool tblSalSeq;         // OS_Order: the key includes Tbl_Sal_Seq
};

// The twenty tables in the order the single-date move works through them.
extern const std::array<SingleDateTable, 20> kSingleDateTables;

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

// The rows of `wrongDate` in one table.
std::string SelectionSql(const SingleDateTable& table, const std::string& wrongDate);

// Moves the rows of `wrongDate` with one key to `targetDate`. A table with a stamp column gets,
// row by row, `targetDashed` followed by that row's own characters 11 to 19 of the stamp, so every
// row keeps its own time of day.
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
