#include "tests/datefix/SalesFixture.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <thread>

#include "datefix/DatePage.h"
#include "db/SqlQuote.h"

extern char** environ;

namespace datefix_test {
namespace {

using db::SqlQuote;
constexpr const char* kNull = "<null>";

const datefix::SingleDateTable& Find(const std::string& name) {
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        if (ServerName(name) == ServerName(t.name)) return t;
    throw std::invalid_argument("not a sales table: " + name);
}

std::string Dashed(const std::string& ymd) {
    return ymd.substr(0, 4) + "-" + ymd.substr(4, 2) + "-" + ymd.substr(6, 2);
}

// The real date of a stamp as the realignment takes it: its first ten characters without dashes
// when they are a date YYYY-MM-DD (month 01 to 12, day 01 to 31); none otherwise.
std::optional<std::string> RealDate(const std::string& stamp) {
    if (stamp == kNull || stamp.size() < 10) return std::nullopt;
    for (size_t i = 0; i < 10; ++i)
        if (i == 4 || i == 7 ? stamp[i] != '-'
                             : !std::isdigit(static_cast<unsigned char>(stamp[i])))
            return std::nullopt;
    const int month = std::stoi(stamp.substr(5, 2)), day = std::stoi(stamp.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    return stamp.substr(0, 4) + stamp.substr(5, 2) + stamp.substr(8, 2);
}

}  // namespace

SalesSeed& SalesSeed::Sale(const std::string& ymd, int seq, const Stamp& stamp) {
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        Row(t.name, ymd, std::to_string(seq), stamp);
    return *this;
}

SalesSeed& SalesSeed::Row(const std::string& table, const std::string& ymd, const std::string& key,
                          const Stamp& stamp, int tblSalSeq) {
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

SalesSeed& SalesSeed::Register(const std::string& ymd, const std::string& posNo) {
    pending_.push_back("insert into OC_REGISTER (SAL_YMD, POS_NO, OC_GB, UPD_DT) values (" +
                       SqlQuote(ymd) + ", " + SqlQuote(posNo) + ", 'O', " +
                       SqlQuote(Dashed(ymd) + " 09:00:00") + ")");
    return *this;
}

void SalesSeed::Flush() {
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

void SeedThreeSales(const TestDatabase& db) {
    SalesSeed(db)
        .Sale("20240313", 1, "2024-03-13 10:00:00")
        .Sale("20240313", 2, "2024-03-14 11:00:00")
        .Sale("20240313", 3, "2024-03-15 12:00:00")
        .Sale("20240312", 2, "2024-03-12 12:00:00")
        .Register("20240313", "01")
        .Flush();
}

size_t TableState::Column(const std::string& name) const {
    auto it = std::find(columns.begin(), columns.end(), name);
    if (it == columns.end()) throw std::invalid_argument("no column " + name);
    return static_cast<size_t>(it - columns.begin());
}

SalesState Capture(const TestDatabase& db) {
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

SalesState AfterSingleMove(SalesState state, const std::string& wrongDate,
                           const std::string& targetDate, size_t tablesDone, bool registerMoved) {
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

SalesState AfterRealign(SalesState state, const std::string& fromDate, const std::string& toDate,
                        size_t statementsDone) {
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

void ExpectSameSales(const SalesState& expected, const SalesState& actual) {
    for (const auto& [table, want] : expected) {
        auto it = actual.find(table);
        ASSERT_NE(it, actual.end()) << table;
        auto a = want.rows, b = it->second.rows;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b) << table << " differs";
    }
}

DatePageTest::DatePageTest() : form(ui, db.Name()) {
    form.moveJournal = &journal;
    form.IBDatabase1.Connect();
}

Lines Tail(const Lines& log, size_t n) {
    return Lines(log.end() - static_cast<std::ptrdiff_t>(std::min(n, log.size())), log.end());
}

void SetPicker(testing_support::ScriptedWindow& ui, form::PickerId picker,
               const std::string& yyyymmdd) {
    ui.SetDate(picker, std::stoi(yyyymmdd.substr(0, 4)), std::stoi(yyyymmdd.substr(4, 2)),
               std::stoi(yyyymmdd.substr(6, 2)));
}

void DatePageTest::ChooseSingleMove(const std::string& wrongDate, const std::string& targetDate) {
    ui.checked = {{form::RadioId::RadioButton3, true}, {form::RadioId::RadioButton4, false}};
    datefix::RadioButton3Click(form, form::RadioId::RadioButton3);
    SetPicker(ui, form::PickerId::dtChange01, wrongDate);
    SetPicker(ui, form::PickerId::dtChange02, targetDate);
}

void DatePageTest::ChooseRealign(const std::string& fromDate, const std::string& toDate) {
    ui.checked = {{form::RadioId::RadioButton3, false}, {form::RadioId::RadioButton4, true}};
    datefix::RadioButton3Click(form, form::RadioId::RadioButton4);
    SetPicker(ui, form::PickerId::dtChange01, fromDate);
    SetPicker(ui, form::PickerId::dtChange02, toDate);
}

void DatePageTest::Start(int answer) {
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
    EXPECT_EQ(*line, "백업: " + lastBackup + " (" +
                         std::to_string(std::filesystem::file_size(lastBackup)) + " bytes)");
    ui.log.erase(line);
}

Lines DatePageTest::Dialogs() const {
    for (const auto& d : ui.dialogs) {
        if (d.text != kConfirm && d.text != "완료.") continue;
        EXPECT_EQ(d.kind, form::DialogKind::Information) << d.text;
        EXPECT_EQ(d.buttons,
                  d.text == kConfirm ? form::DialogButtons::OkCancel : form::DialogButtons::Ok)
            << d.text;
    }
    return ui.DialogTexts();
}

void FailUpdatesOf(const TestDatabase& db, const std::string& table, const std::string& onlyKey) {
    db.Exec("create or alter exception E_REFUSED 'update refused'");
    const std::string condition =
        onlyKey.empty() ? "1 = 1"
                        : "old." + std::string(Find(table).key) + " = " + SqlQuote(onlyKey);
    db.Exec("create trigger T_FAIL_" + table + " for " + table + " before update as begin if (" +
            condition + ") then exception E_REFUSED; end");
}

void StopFailingUpdatesOf(const TestDatabase& db, const std::string& table) {
    db.Exec("drop trigger T_FAIL_" + table);
}

void RefuseNextAfterUpdateOf(const TestDatabase& db, const std::string& event,
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

MoveChild::MoveChild(const std::string& mode, const std::string& database,
                     const std::string& journalDir, const std::string& traceDir,
                     const std::string& wrongDate, const std::string& targetDate,
                     int exitAfterCommits) {
    std::vector<std::string> args = {POSFIX_MOVE_CHILD, mode,      database,  journalDir,
                                     traceDir,          wrongDate, targetDate};
    if (exitAfterCommits > 0) args.push_back(std::to_string(exitAfterCommits));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, POSFIX_MOVE_CHILD, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + std::string(POSFIX_MOVE_CHILD));
}

void MoveChild::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    Wait();
}

int MoveChild::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

HeldRows::HeldRows(const std::string& database, const std::string& update)
    : connection_(database),
      transaction_(&connection_, db::DbTransaction::Action::Rollback),
      query_(&connection_, &transaction_) {
    query_.ExecuteSql(update);
}

void HeldRows::Release(bool commit) {
    if (!transaction_.InTransaction()) return;
    commit ? transaction_.Commit() : transaction_.Rollback();
}

bool SeeWaitingStatement(const testing_support::TestDatabase& db, const std::string& text) {
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
