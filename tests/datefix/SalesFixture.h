#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/MoveJournalFile.h"
#include "datefix/DatePage.h"
#include "datefix/SalesTables.h"
#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "form/FormState.h"
#include "tests/support/ScriptedWindow.h"
#include "tests/support/TestDatabase.h"

extern char** environ;

namespace datefix_test {

using db::SqlQuote;
using testing_support::ServerName;
using testing_support::TestDatabase;
using Stamp = std::optional<std::string>;  // nullopt stores NULL
using Lines = std::vector<std::string>;

inline constexpr const char* kNull = "<null>";

inline const datefix::SingleDateTable& Find(const std::string& name) {
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        if (ServerName(name) == ServerName(t.name)) return t;
    throw std::invalid_argument("not a sales table: " + name);
}

inline std::string Dashed(const std::string& ymd) {
    return ymd.substr(0, 4) + "-" + ymd.substr(4, 2) + "-" + ymd.substr(6, 2);
}

// Seeds rows of the tool's twenty sales tables, sent in server-side blocks by Flush().
class SalesSeed {
public:
    explicit SalesSeed(const TestDatabase& db) : db_(db) {}

    // One row in each of the twenty tables (the stamp where a table has one).
    SalesSeed& Sale(const std::string& ymd, int seq, const Stamp& stamp) {
        for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
            Row(t.name, ymd, std::to_string(seq), stamp);
        return *this;
    }

    // One row of one table; `key` is Sal_Seq (bill_no in CS_MASTER), stored as given.
    SalesSeed& Row(const std::string& table, const std::string& ymd, const std::string& key,
                   const Stamp& stamp, int tblSalSeq = 1) {
        const datefix::SingleDateTable& t = Find(table);
        std::string columns = std::string("SAL_YMD, ") + t.key;
        std::string values = SqlQuote(ymd) + ", " + SqlQuote(key);
        if (t.stamp) {
            columns += std::string(", ") + t.stamp;
            values += ", " + (stamp ? SqlQuote(*stamp) : "null");
        }
        if (t.tblSalSeq) {
            columns += ", TBL_SAL_SEQ";
            values += ", " + std::to_string(tblSalSeq);
        }
        pending_.push_back("insert into " + table + " (" + columns + ") values (" + values + ")");
        return *this;
    }

    SalesSeed& Register(const std::string& ymd, const std::string& posNo) {
        pending_.push_back("insert into OC_REGISTER (SAL_YMD, POS_NO, OC_GB, UPD_DT) values (" +
                           SqlQuote(ymd) + ", " + SqlQuote(posNo) + ", 'O', " +
                           SqlQuote(Dashed(ymd) + " 09:00:00") + ")");
        return *this;
    }

    void Flush() {
        // Blocks of a few hundred statements stay under the size limit of one statement.
        std::string block;
        for (size_t i = 0; i < pending_.size(); ++i) {
            block += pending_[i] + "; ";
            if (i + 1 == pending_.size() || block.size() + pending_[i + 1].size() > 20000) {
                db_.Exec("execute block as begin " + block + " end");
                block.clear();
            }
        }
        pending_.clear();
    }

private:
    const TestDatabase& db_;
    std::vector<std::string> pending_;
};

// The rows of one table with its column names, every value as text ("<null>" for NULL).
struct TableState {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;

    size_t Column(const std::string& name) const {
        auto it = std::find(columns.begin(), columns.end(), name);
        if (it == columns.end()) throw std::invalid_argument("no column " + name);
        return static_cast<size_t>(it - columns.begin());
    }
};
using SalesState = std::map<std::string, TableState>;  // the twenty tables and OC_REGISTER

// Sales 1 to 3 of 20240313 (made on the 13th to 15th), sale 2 of 20240312, a register of 20240313.
inline void SeedThreeSales(const TestDatabase& db) {
    SalesSeed(db)
        .Sale("20240313", 1, "2024-03-13 10:00:00")
        .Sale("20240313", 2, "2024-03-14 11:00:00")
        .Sale("20240313", 3, "2024-03-15 12:00:00")
        .Sale("20240312", 2, "2024-03-12 12:00:00")
        .Register("20240313", "01")
        .Flush();
}

inline SalesState Capture(const TestDatabase& db) {
    SalesState state;
    std::vector<std::string> tables = {"OC_REGISTER"};
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        tables.push_back(ServerName(t.name));
    for (const std::string& table : tables) {
        TableState& s = state[table];
        for (const auto& row : db.Rows("select trim(rdb$field_name) from rdb$relation_fields where "
                                       "rdb$relation_name = " +
                                       SqlQuote(table) + " order by rdb$field_position"))
            s.columns.push_back(row.at(0));
        s.rows = db.Snapshot(table);
    }
    return state;
}

// The first `tablesDone` tables (and OC_REGISTER when `registerMoved`) moved from `wrongDate` to
// `targetDate`, each stamp keeping its own characters 11 to 19.
inline SalesState AfterSingleMove(SalesState state, const std::string& wrongDate,
                                  const std::string& targetDate, size_t tablesDone,
                                  bool registerMoved) {
    for (size_t i = 0; i <= tablesDone; ++i) {
        if (i == tablesDone && !registerMoved) break;
        const datefix::SingleDateTable& t =
            i < tablesDone ? datefix::kSingleDateTables[i] : datefix::kRegisterTable;
        TableState& s = state.at(ServerName(t.name));
        for (auto& row : s.rows) {
            if (row[s.Column("SAL_YMD")] != wrongDate) continue;
            row[s.Column("SAL_YMD")] = targetDate;
            if (!t.stamp) continue;
            std::string& stamp = row[s.Column(ServerName(t.stamp))];
            stamp = Dashed(targetDate) +
                    (stamp == kNull || stamp.size() <= 10 ? "" : stamp.substr(10, 9));
        }
    }
    return state;
}

// The real date of a stamp as the realignment takes it: its first ten characters without dashes
// when they are a date YYYY-MM-DD (month 01 to 12, day 01 to 31); none otherwise.
inline std::optional<std::string> RealDate(const std::string& stamp) {
    if (stamp == kNull || stamp.size() < 10) return std::nullopt;
    for (size_t i = 0; i < 10; ++i)
        if (i == 4 || i == 7 ? stamp[i] != '-'
                             : !std::isdigit(static_cast<unsigned char>(stamp[i])))
            return std::nullopt;
    const int month = std::stoi(stamp.substr(5, 2)), day = std::stoi(stamp.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    return stamp.substr(0, 4) + stamp.substr(5, 2) + stamp.substr(8, 2);
}

// What the realignment leaves after its first `statementsDone` statements over fromDate..toDate.
inline SalesState AfterRealign(SalesState state, const std::string& fromDate,
                               const std::string& toDate, size_t statementsDone = 20) {
    for (size_t i = 0; i < statementsDone; ++i) {
        const datefix::RealignTable& t = datefix::kRealignTables[i];
        TableState& s = state.at(ServerName(t.name));
        const size_t ymd = s.Column("SAL_YMD");
        // A dependent table takes the real date of its sale's OS_MASTER row as it stands now.
        const TableState& master = state.at("OS_MASTER");
        const size_t stamp = t.stamp ? s.Column(ServerName(t.stamp)) : master.Column("UPD_DT");
        for (auto& row : s.rows) {
            if (row[ymd] < fromDate || row[ymd] > toDate) continue;
            std::vector<const std::vector<std::string>*> sales;
            if (!t.stamp) {
                for (const auto& m : master.rows)
                    if (m[master.Column("SAL_YMD")] == row[ymd] &&
                        m[master.Column("SAL_SEQ")] == row[s.Column("SAL_SEQ")])
                        sales.push_back(&m);
                if (sales.size() != 1) continue;
            }
            const auto real = RealDate(t.stamp ? row[stamp] : (*sales[0])[stamp]);
            if (!real || *real == row[ymd]) continue;
            row[ymd] = *real;
            if (t.stamp) row[stamp] = row[stamp].substr(0, 19);
        }
    }
    return state;
}

// Per table, the same rows byte for byte, in any order.
inline void ExpectSameSales(const SalesState& expected, const SalesState& actual) {
    for (const auto& [table, want] : expected) {
        auto it = actual.find(table);
        ASSERT_NE(it, actual.end()) << table;
        auto a = want.rows, b = it->second.rows;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b) << table << " differs";
    }
}

// The log line that names a backup file and its size.
inline std::string BackupLine(const std::string& path) {
    return "백업: " + path + " (" + std::to_string(std::filesystem::file_size(path)) + " bytes)";
}

// The last n lines of a log (all of them when it has fewer).
inline Lines Tail(const Lines& log, size_t n) {
    return Lines(log.end() - static_cast<std::ptrdiff_t>(std::min(n, log.size())), log.end());
}

inline void SetPicker(testing_support::ScriptedWindow& ui, form::PickerId picker,
                      const std::string& yyyymmdd) {
    ui.SetDate(picker, std::stoi(yyyymmdd.substr(0, 4)), std::stoi(yyyymmdd.substr(4, 2)),
               std::stoi(yyyymmdd.substr(6, 2)));
}

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

// A store database, the date page on the scripted window, the journal in a folder of its own.
class DatePageTest : public ::testing::Test {
protected:
    DatePageTest() : form(ui, db.Name()) {
        form.moveJournal = &journal;
        form.IBDatabase1.Connect();
    }

    // Checks the mode's radio button and sets both pickers (dates as YYYYMMDD).
    void ChooseSingleMove(const std::string& wrongDate, const std::string& targetDate) {
        Choose(form::RadioId::RadioButton3, wrongDate, targetDate);
    }
    void ChooseRealign(const std::string& fromDate, const std::string& toDate) {
        Choose(form::RadioId::RadioButton4, fromDate, toDate);
    }

    // Presses start, answers OK and then `answer`; a backup's log line is checked, taken out of
    // the log and its file kept in lastBackup.
    void Start(int answer = form::kResultOk) {
        ui.dialogs.clear();
        ui.answers = {form::kResultOk, answer};
        const size_t backupsBefore = db.BackupFiles().size();
        datefix::Button9Click(form);
        ui.answers.clear();
        const std::vector<std::string> files = db.BackupFiles();
        const auto line = std::find_if(ui.log.begin(), ui.log.end(), [](const std::string& text) {
            return text.rfind("백업: ", 0) == 0;
        });
        if (files.size() == backupsBefore) {
            EXPECT_EQ(line, ui.log.end()) << "a backup line without a backup";
            return;
        }
        ASSERT_EQ(files.size(), backupsBefore + 1);
        ASSERT_NE(line, ui.log.end()) << "a backup without its line";
        lastBackup = files.back();
        EXPECT_EQ(*line, BackupLine(lastBackup));
        ui.log.erase(line);
    }

    // The dialog texts since the last Start, with the kind and buttons of the confirmation and
    // "완료." checked.
    Lines Dialogs() const {
        for (const auto& d : ui.dialogs) {
            if (d.text != kConfirm && d.text != "완료.") continue;
            EXPECT_EQ(d.kind, form::DialogKind::Information) << d.text;
            EXPECT_EQ(d.buttons,
                      d.text == kConfirm ? form::DialogButtons::OkCancel : form::DialogButtons::Ok)
                << d.text;
        }
        return ui.DialogTexts();
    }

    std::string lastBackup;
    TestDatabase db;
    testing_support::ScriptedWindow ui;
    form::FormState form;
    QTemporaryDir journalDir;
    app::MoveJournalFile journal{journalDir.path()};

private:
    void Choose(form::RadioId mode, const std::string& first, const std::string& second) {
        ui.checked = {{form::RadioId::RadioButton3, mode == form::RadioId::RadioButton3},
                      {form::RadioId::RadioButton4, mode == form::RadioId::RadioButton4}};
        datefix::RadioButton3Click(form, mode);
        SetPicker(ui, form::PickerId::dtChange01, first);
        SetPicker(ui, form::PickerId::dtChange02, second);
    }
};

// A trigger refusing updates of every row of `table`, or of those whose key equals `onlyKey`.
inline void FailUpdatesOf(const TestDatabase& db, const std::string& table,
                          const std::string& onlyKey = {}) {
    db.Exec("create or alter exception E_REFUSED 'update refused'");
    const std::string condition =
        onlyKey.empty() ? "1 = 1"
                        : "old." + std::string(Find(table).key) + " = " + SqlQuote(onlyKey);
    db.Exec("create trigger T_FAIL_" + table + " for " + table + " before update as begin if (" +
            condition + ") then exception E_REFUSED; end");
}

inline void StopFailingUpdatesOf(const TestDatabase& db, const std::string& table) {
    db.Exec("drop trigger T_FAIL_" + table);
}

// Once an update of `table` has run on an attachment, the server refuses that attachment's next
// transaction `event` ("start" or "commit"). Only attachments made afterwards have the trigger.
inline void RefuseNextAfterUpdateOf(const TestDatabase& db, const std::string& event,
                                    const std::string& table) {
    db.Exec("create or alter exception E_REFUSED_" + event + " 'transaction " + event +
            " refused'");
    db.Exec("create trigger T_REFUSE_" + event + " on transaction " + event +
            " as declare variable x integer; begin "
            "if (rdb$get_context('USER_SESSION', 'REFUSE') = '1') then begin "
            "x = rdb$set_context('USER_SESSION', 'REFUSE', null); exception E_REFUSED_" +
            event + "; end end");
    db.Exec("create trigger T_ARM_" + event + " for " + table +
            " after update as declare variable x integer; begin "
            "x = rdb$set_context('USER_SESSION', 'REFUSE', '1'); end");
}

// A single-date move in datefix_move_child ("scripted" or "window"), ended after exitAfterCommits
// commits by the stand-in client library when that is above 0.
class MoveChild {
public:
    MoveChild(const std::string& mode, const std::string& database, const std::string& journalDir,
              const std::string& traceDir, const std::string& wrongDate,
              const std::string& targetDate, int exitAfterCommits = 0) {
        std::vector<std::string> args = {POSFIX_MOVE_CHILD, mode,      database,  journalDir,
                                         traceDir,          wrongDate, targetDate};
        if (exitAfterCommits > 0) args.push_back(std::to_string(exitAfterCommits));
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, POSFIX_MOVE_CHILD, nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start " + std::string(POSFIX_MOVE_CHILD));
    }
    ~MoveChild() { Kill(); }
    MoveChild(const MoveChild&) = delete;
    MoveChild& operator=(const MoveChild&) = delete;

    // SIGKILL, then waits for it.
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        Wait();
    }

    // Its exit code, or 128 + the signal that ended it.
    int Wait() {
        if (pid_ <= 0) return -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
};

// An uncommitted update on an attachment of its own, holding its rows until Release.
class HeldRows {
public:
    HeldRows(const std::string& database, const std::string& update)
        : connection_(database),
          transaction_(&connection_, db::DbTransaction::Action::Rollback),
          query_(&connection_, &transaction_) {
        query_.ExecuteSql(update);
    }

    void Release(bool commit = false) {
        if (!transaction_.InTransaction()) return;
        commit ? transaction_.Commit() : transaction_.Rollback();
    }

private:
    db::DbConnection connection_;
    db::DbTransaction transaction_;
    db::DbQuery query_;
};

// Waits up to a minute for another attachment to wait in a statement containing `text`.
inline bool SeeWaitingStatement(const TestDatabase& db, const std::string& text) {
    db::DbConnection monitor(db.Name());
    db::DbTransaction look(&monitor);
    db::DbQuery statements(&monitor, &look);
    for (int i = 0; i < 3000; ++i) {
        statements.OpenQuery(
            "select count(*) cnt from mon$statements where mon$state = 1 and "
            "mon$attachment_id <> current_connection and mon$sql_text containing '" +
            text + "'");
        const bool seen = statements.FieldInt("cnt") > 0;
        look.Commit();  // the next look takes a fresh snapshot of the monitoring tables
        if (seen) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace datefix_test
