#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/MoveJournalFile.h"
#include "datefix/SalesTables.h"
#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "form/FormState.h"
#include "tests/support/ScriptedWindow.h"
#include "tests/support/TestDatabase.h"

namespace datefix_test {

using testing_support::ServerName;
using testing_support::TestDatabase;
using Stamp = std::optional<std::string>;  // nullopt stores NULL
using Lines = std::vector<std::string>;

// Seeds rows of the tool's twenty sales tables, sent in server-side blocks by Flush().
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

// Sales 1 to 3 of 20240313 (made on the 13th to 15th), sale 2 of 20240312, a register of 20240313.
void SeedThreeSales(const TestDatabase& db);
SalesState Capture(const TestDatabase& db);

// The first `tablesDone` tables (and OC_REGISTER when `registerMoved`) moved from `wrongDate` to
// `targetDate`, each stamp keeping its own characters 11 to 19.
SalesState AfterSingleMove(SalesState state, const std::string& wrongDate,
                           const std::string& targetDate, size_t tablesDone, bool registerMoved);
// What the realignment leaves after its first `statementsDone` statements over fromDate..toDate.
SalesState AfterRealign(SalesState state, const std::string& fromDate, const std::string& toDate,
                        size_t statementsDone = 20);
// Per table, the same rows byte for byte, in any order.
void ExpectSameSales(const SalesState& expected, const SalesState& actual);

// A store database, the date page on the scripted window, the journal in a folder of its own.
class DatePageTest : public ::testing::Test {
protected:
    DatePageTest();

    // Checks the mode's radio button and sets both pickers (dates as YYYYMMDD).
    void ChooseSingleMove(const std::string& wrongDate, const std::string& targetDate);
    void ChooseRealign(const std::string& fromDate, const std::string& toDate);
    // Presses start, answers OK and then `answer`; a backup's log line is checked, taken out of
    // the log and its file kept in lastBackup.
    void Start(int answer = form::kResultOk);
    // The dialog texts since the last Start, with the kind and buttons of the confirmation and
    // "완료." checked.
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

inline constexpr const char* kSingleStart = "[지정된 날짜 변경] 진행중";
inline constexpr const char* kSingleOk = "[지정된 날짜 변경] 정상 처리 되었습니다.";
inline constexpr const char* kSingleFailed = "[지정된 날짜 변경] 오류 발생";
inline constexpr const char* kRealignStart = "[다중 날짜 변경] 진행중";
inline constexpr const char* kRealignOk = "[다중 날짜 변경] 정상 처리 되었습니다.";
inline constexpr const char* kRealignFailed = "[다중 날짜 변경] 오류 발생";
inline constexpr const char* kConfirm = "매출일자 변경 진행하시겠습니까?";
inline constexpr const char* kSalesOnTarget = "변경하실 날짜에 매출이 존재합니다.";
inline constexpr const char* kRegisterHint = "OC_REGISTER 과 OC_DAY_PASSMONEY 는 확인 후 설정";
inline constexpr const char* kByHand = "OC_REGISTER 수동 적용 해야 합니다.";
// The warning that a move of 20240313 to 20240314 stopped part-way.
inline constexpr const char* kSplit =
    "20240313 → 20240314 매출일자 변경이 중간에 중단되었습니다. 같은 날짜로 다시 실행하면 이어서 "
    "진행하고, 두 날짜를 바꿔 실행하면 되돌립니다.";

// A trigger refusing updates of every row of `table`, or of those whose key equals `onlyKey`.
void FailUpdatesOf(const TestDatabase& db, const std::string& table,
                   const std::string& onlyKey = {});
void StopFailingUpdatesOf(const TestDatabase& db, const std::string& table);

// Once an update of `table` has run on an attachment, the server refuses that attachment's next
// transaction `event` ("start" or "commit"). Only attachments made afterwards have the trigger.
void RefuseNextAfterUpdateOf(const TestDatabase& db, const std::string& event,
                             const std::string& table);

// A single-date move in datefix_move_child ("scripted" or "window"), ended after exitAfterCommits
// commits by the stand-in client library when that is above 0.
class MoveChild {
public:
    MoveChild(const std::string& mode, const std::string& database, const std::string& journalDir,
              const std::string& traceDir, const std::string& wrongDate,
              const std::string& targetDate, int exitAfterCommits = 0);
    ~MoveChild() { Kill(); }
    MoveChild(const MoveChild&) = delete;
    MoveChild& operator=(const MoveChild&) = delete;

    void Kill();  // SIGKILL, then waits for it
    int Wait();   // its exit code, or 128 + the signal that ended it

private:
    pid_t pid_ = -1;
};

// An uncommitted update on an attachment of its own, holding its rows until Release.
class HeldRows {
public:
    HeldRows(const std::string& database, const std::string& update);
    void Release(bool commit = false);

private:
    db::DbConnection connection_;
    db::DbTransaction transaction_;
    db::DbQuery query_;
};

// Waits up to a minute for another attachment to wait in a statement containing `text`.
bool SeeWaitingStatement(const testing_support::TestDatabase& db, const std::string& text);

}  // namespace datefix_test
