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

// The twenty sales tables are the tool's own lists (datefix/SalesTables.h): the single-date
// move's order with each table's stamp column, key and log prefix, and the realignment's order.
// Table and column names are compared without regard to case, as the server does.

using Stamp = std::optional<std::string>;  // nullopt stores NULL

// Seeds sales rows, written in batches of server-side blocks when Flush() is called.
class SalesSeed {
public:
    explicit SalesSeed(const TestDatabase& db) : db_(db) {}

    // One sale: a row with this business date, key and stamp in each of the twenty tables (the
    // stamp in every table that has a stamp column; cs_master keys the sale by its bill number).
    SalesSeed& Sale(const std::string& ymd, int seq, const Stamp& stamp);
    // One row of one table; `key` is Sal_Seq (bill_no in CS_MASTER), `bytes` are stored as given.
    SalesSeed& Row(const std::string& table, const std::string& ymd, const std::string& key,
                   const Stamp& stamp, int tblSalSeq = 1);
    // One register row.
    SalesSeed& Register(const std::string& ymd, const std::string& posNo);
    // Any statement of its own, run inside the next batch.
    SalesSeed& Raw(const std::string& statement);
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

// Sales 1 to 3 of 20240313, made on the 13th, 14th and 15th, sale 2 of 20240312 and a register
// row of 20240313.
void SeedThreeSales(const TestDatabase& db);

// Every row of the twenty sales tables and OC_REGISTER.
using SalesState = std::map<std::string, TableState>;
SalesState Capture(const TestDatabase& db);

// What the single-date move leaves: the first `tablesDone` tables (in move order) with every row
// of `wrongDate` moved to `targetDate` and its stamp set to the target date followed by its own
// characters 11 to 19; OC_REGISTER moved when `registerMoved`; everything else unchanged.
SalesState AfterSingleMove(SalesState state, const std::string& wrongDate,
                           const std::string& targetDate, size_t tablesDone, bool registerMoved);

// What the realignment leaves after its first `statementsDone` statements over fromDate..toDate.
SalesState AfterRealign(SalesState state, const std::string& fromDate, const std::string& toDate,
                        size_t statementsDone = 20);

// Per table: the same number of rows and, compared as sorted row sets, byte for byte the same.
void ExpectSameSales(const SalesState& expected, const SalesState& actual);

// A store database with the date correction page, driven the way the operator drives it.
class DatePageTest : public ::testing::Test {
protected:
    DatePageTest();

    // Checks the mode's radio button and sets both pickers (dates as YYYYMMDD).
    void ChooseSingleMove(const std::string& wrongDate, const std::string& targetDate);
    void ChooseRealign(const std::string& fromDate, const std::string& toDate);
    // Presses the start button and answers the confirmation with OK. A run that backed the
    // database up logged one line naming the new backup file and its size: it is checked, taken
    // out of the log and the file kept in lastBackup.
    void Start();
    void TakeBackupLine(size_t backupsBefore);
    std::string lastBackup;

    // The closing dialog of a completed move, after the confirmation.
    void ExpectConfirmedThenDone();
    // Only the confirmation was shown.
    void ExpectOnlyConfirmation();

    TestDatabase db;
    testing_support::ScriptedWindow ui;
    form::FormState form;
    // The single-date move's journal, in a folder of the test's own.
    QTemporaryDir journalDir;
    app::MoveJournalFile journal{journalDir.path()};
};

// "YYYYMMDD" text of the given date.
void SetPicker(testing_support::ScriptedWindow& ui, form::PickerId picker,
               const std::string& yyyymmdd);

// Start and end lines of the two modes.
extern const char* const kSingleStart;
extern const char* const kSingleOk;
extern const char* const kSingleFailed;
extern const char* const kRealignStart;
extern const char* const kRealignOk;
extern const char* const kRealignFailed;

// An exception and a before-update trigger on `table` that raises it for every row, or only for
// the rows whose key column equals `onlyKey`.
void FailUpdatesOf(const TestDatabase& db, const std::string& table,
                   const std::string& onlyKey = {});
void StopFailingUpdatesOf(const TestDatabase& db, const std::string& table);

// Once an update of `table` has run on an attachment, the server refuses that attachment's next
// transaction `event` ("start" or "commit"): the update arms a session flag that a transaction
// trigger clears before it raises an exception. Only attachments made afterwards have the trigger.
void RefuseNextAfterUpdateOf(const TestDatabase& db, const std::string& event,
                             const std::string& table);

}  // namespace datefix_test
