#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/MoveJournalFile.h"
#include "datefix/SalesTables.h"
#include "form/FormState.h"
#include "tests/support/ScriptedWindow.h"
#include "tests/support/TestDatabase.h"

namespace datefix_test {

using testing_support::ServerName;
using testing_support::TestDatabase;
using Stamp = std::optional<std::string>;  // nullopt stores NULL
using Lines = std::vector<std::string>;

// Seeds sales rows of the tool's twenty tables (datefix/SalesTables.h), sent in server-side
// blocks by Flush().
class SalesSeed {
public:
    explicit SalesSeed(const TestDatabase& db) : db_(db) {}
    // One row in each of the twenty tables (the stamp where a table has one).
    SalesSeed& Sale(const std::string& ymd, int seq, const Stamp& stamp);
    // One row of one table; `key` is Sal_Seq (bill_no in CS_MASTER), stored as given.
    SalesSeed& Row(const std::string& table, const std::string& ymd, const std::string& key,
                   const Stamp& stamp, int tblSalSeq = 1);
    SalesSeed& Register(const std::string& ymd, const std::string& posNo);
    void Flush();

private:
    const TestDatabase& db_;
    std::vector<std::string> pending_;
};

// The rows of one table with its column names, every value as text ("<null>" for NULL).
struct TableState {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    size_t Column(const std::string& name) const;
};
using SalesState = std::map<std::string, TableState>;  // the twenty tables and OC_REGISTER

// Sales 1 to 3 of 20240313, made on the 13th, 14th and 15th, sale 2 of 20240312 and a register
// row of 20240313.
void SeedThreeSales(const TestDatabase& db);
SalesState Capture(const TestDatabase& db);

// What the single-date move leaves: the first `tablesDone` tables (in move order) with every row
// of `wrongDate` on `targetDate`, its stamp the target date and its own characters 11 to 19;
// OC_REGISTER moved when `registerMoved`.
SalesState AfterSingleMove(SalesState state, const std::string& wrongDate,
                           const std::string& targetDate, size_t tablesDone, bool registerMoved);
// What the realignment leaves after its first `statementsDone` statements over fromDate..toDate.
SalesState AfterRealign(SalesState state, const std::string& fromDate, const std::string& toDate,
                        size_t statementsDone = 20);
// Per table, the same rows byte for byte, in any order.
void ExpectSameSales(const SalesState& expected, const SalesState& actual);

// A store database with the date correction page on the scripted window, and the single-date
// move's journal in a folder of the test's own.
class DatePageTest : public ::testing::Test {
protected:
    DatePageTest();

    // Checks the mode's radio button and sets both pickers (dates as YYYYMMDD).
    void ChooseSingleMove(const std::string& wrongDate, const std::string& targetDate);
    void ChooseRealign(const std::string& fromDate, const std::string& toDate);
    // Presses the start button, answers the confirmation OK and `answer` to a question after it.
    // A run that backed the database up logged the new backup's name and size: the line is
    // checked, taken out of the log and the file kept in lastBackup.
    void Start(int answer = form::kResultOk);
    void TakeBackupLine(size_t backupsBefore);
    // The dialog texts since the last Start; the confirmation (Information, OK and Cancel) and
    // "완료." (Information, OK) are checked.
    Lines Dialogs() const;

    std::string lastBackup;
    TestDatabase db;
    testing_support::ScriptedWindow ui;
    form::FormState form;
    QTemporaryDir journalDir;
    app::MoveJournalFile journal{journalDir.path()};
};

// The last n lines of a log (all of them when it has fewer).
Lines Tail(const Lines& log, size_t n);

void SetPicker(testing_support::ScriptedWindow& ui, form::PickerId picker,
               const std::string& yyyymmdd);

extern const char* const kSingleStart;
extern const char* const kSingleOk;
extern const char* const kSingleFailed;
extern const char* const kRealignStart;
extern const char* const kRealignOk;
extern const char* const kRealignFailed;
extern const char* const kConfirm;
extern const char* const kSalesOnTarget;
extern const char* const kRegisterHint;
extern const char* const kByHand;

// A before-update trigger on `table` that raises an exception for every row, or only for the
// rows whose key column equals `onlyKey`.
void FailUpdatesOf(const TestDatabase& db, const std::string& table,
                   const std::string& onlyKey = {});
void StopFailingUpdatesOf(const TestDatabase& db, const std::string& table);

// Once an update of `table` has run on an attachment, the server refuses that attachment's next
// transaction `event` ("start" or "commit"). Only attachments made afterwards have the trigger.
void RefuseNextAfterUpdateOf(const TestDatabase& db, const std::string& event,
                             const std::string& table);

}  // namespace datefix_test
