#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "form/FormState.h"
#include "form/WindowOps.h"

namespace datefix {

// The private database objects of one move: a reading transaction R for the selections and
// checks and a writing transaction W for the changes, each with its own query. Both commit when
// freed while active. They are freed in the order R, R's query, W, W's query, on every path.
class MoveObjects {
public:
    explicit MoveObjects(db::DbConnection& database);
    ~MoveObjects();
    MoveObjects(const MoveObjects&) = delete;
    MoveObjects& operator=(const MoveObjects&) = delete;

    db::DbTransaction& R() { return *reader_; }
    db::DbQuery& RQuery() { return *readerQuery_; }
    db::DbTransaction& W() { return *writer_; }
    db::DbQuery& WQuery() { return *writerQuery_; }

private:
    std::unique_ptr<db::DbTransaction> reader_;
    std::unique_ptr<db::DbQuery> readerQuery_;
    std::unique_ptr<db::DbTransaction> writer_;
    std::unique_ptr<db::DbQuery> writerQuery_;
};

// A picker's date as YYYYMMDD; the time of day is ignored.
std::string DateText(const form::DateTimeValue& value);

// YYYYMMDD written as YYYY-MM-DD.
std::string Dashed(const std::string& yyyymmdd);

// The date checks both moves make before touching anything: both dates given, both of eight
// characters, not equal. A failing check writes its line to the log, shows it in a warning
// dialog and returns false.
bool CheckDates(form::WindowOps& ui, const std::string& first, const std::string& second);

// Reads dtChange01 and dtChange02 as YYYYMMDD into first and second and checks them as above.
bool ReadPickerDates(form::WindowOps& ui, std::string& first, std::string& second);

// Log line of both moves when the dates to move to already carry sales.
extern const char* const kSalesOnTargetLine;

// --- A single-date move that stopped part-way, as its journal tells ---------------------------

// Reads the database's journal before either move starts. A journal that is there but cannot be
// read stops every move before any change: a warning with the file's path, the log gets its
// first line, and false. Otherwise true, with `stopped` set when the journal lists keys.
bool ReadStoppedMove(form::FormState& form, std::optional<form::MoveJournalEntry>& stopped);

// The log line that refuses other dates while a move is stopped.
std::string FinishFirstLine(const form::MoveJournalEntry& stopped);

// The warning that the day's sales are split over the journal's two dates, and how to mend it.
std::string StoppedMoveWarning(const form::MoveJournalEntry& stopped);

}  // namespace datefix
