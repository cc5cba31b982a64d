#include "tests/datefix/SalesFixture.h"

#include <filesystem>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "datefix/DatePage.h"

namespace datefix_test {

const char* const kSingleStart = "[지정된 날짜 변경] 진행중";
const char* const kSingleOk = "[지정된 날짜 변경] 정상 처리 되었습니다.";
const char* const kSingleFailed = "[지정된 날짜 변경] 오류 발생";
const char* const kRealignStart = "[다중 날짜 변경] 진행중";
const char* const kRealignOk = "[다중 날짜 변경] 정상 처리 되었습니다.";
const char* const kRealignFailed = "[다중 날짜 변경] 오류 발생";

namespace {

constexpr const char* kNull = "<null>";

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::string QuoteOrNull(const Stamp& value) {
    return value ? Quote(*value) : "null";
}

const datefix::SingleDateTable& Find(const std::string& name) {
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        if (ServerName(name) == ServerName(t.name)) return t;
    throw std::invalid_argument("not a sales table: " + name);
}

std::string Dashed(const std::string& ymd) {
    return ymd.substr(0, 4) + "-" + ymd.substr(4, 2) + "-" + ymd.substr(6, 2);
}

// The real date of a stamp as the realignment computes it: its first ten characters without
// dashes, when they are a date YYYY-MM-DD (month 01 to 12, day 01 to 31); none otherwise (NULL
// included).
std::optional<std::string> RealDate(const std::string& stamp) {
    if (stamp == kNull || stamp.size() < 10) return std::nullopt;
    for (size_t i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? stamp[i] != '-' : !std::isdigit(static_cast<unsigned char>(stamp[i])))
            return std::nullopt;
    }
    const int month = std::stoi(stamp.substr(5, 2)), day = std::stoi(stamp.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    return stamp.substr(0, 4) + stamp.substr(5, 2) + stamp.substr(8, 2);
}

bool InRange(const std::string& ymd, const std::string& from, const std::string& to) {
    return from <= ymd && ymd <= to;
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
    std::string values = Quote(ymd) + ", " + Quote(key);
    if (t.stamp) {
        columns += std::string(", ") + t.stamp;
        values += ", " + QuoteOrNull(stamp);
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
                       Quote(ymd) + ", " + Quote(posNo) + ", 'O', " +
                       Quote(Dashed(ymd) + " 09:00:00") + ")");
    return *this;
}

SalesSeed& SalesSeed::Raw(const std::string& statement) {
    pending_.push_back(statement);
    return *this;
}

void SalesSeed::Flush() {
    // Server-side blocks of a few hundred statements keep seeding fast and under the size limit
    // of one statement.
    std::string block;
    auto send = [&] {
        if (block.empty()) return;
        db_.Exec("execute block as begin " + block + " end");
        block.clear();
    };
    for (const std::string& statement : pending_) {
        if (block.size() + statement.size() > 20000) send();
        block += statement + "; ";
    }
    send();
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
    std::vector<std::string> tables;
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        tables.push_back(ServerName(t.name));
    tables.push_back("OC_REGISTER");
    for (const std::string& table : tables) {
        TableState& s = state[table];
        for (const auto& row : db.Rows("select trim(rdb$field_name) from rdb$relation_fields where "
                                       "rdb$relation_name = " +
                                       Quote(table) + " order by rdb$field_position"))
            s.columns.push_back(row.at(0));
        s.rows = db.Snapshot(table);
    }
    return state;
}

SalesState AfterSingleMove(SalesState state, const std::string& wrongDate,
                           const std::string& targetDate, size_t tablesDone, bool registerMoved) {
    for (size_t i = 0; i < tablesDone; ++i) {
        const datefix::SingleDateTable& t = datefix::kSingleDateTables[i];
        TableState& s = state.at(ServerName(t.name));
        const size_t ymd = s.Column("SAL_YMD");
        for (auto& row : s.rows) {
            if (row[ymd] != wrongDate) continue;
            row[ymd] = targetDate;
            if (!t.stamp) continue;
            std::string& stamp = row[s.Column(ServerName(t.stamp))];
            const std::string ownTime =
                stamp == kNull || stamp.size() <= 10 ? "" : stamp.substr(10, 9);
            stamp = Dashed(targetDate) + ownTime;
        }
    }
    if (registerMoved) {
        TableState& s = state.at("OC_REGISTER");
        const size_t ymd = s.Column("SAL_YMD");
        for (auto& row : s.rows)
            if (row[ymd] == wrongDate) row[ymd] = targetDate;
    }
    return state;
}

SalesState AfterRealign(SalesState state, const std::string& fromDate, const std::string& toDate,
                        size_t statementsDone) {
    for (size_t i = 0; i < statementsDone; ++i) {
        const datefix::RealignTable& t = datefix::kRealignTables[i];
        TableState& s = state.at(ServerName(t.name));
        const size_t ymd = s.Column("SAL_YMD");
        if (!t.stamp) {
            // The sale's OS_MASTER row as it stands when this statement runs.
            const TableState& master = state.at("OS_MASTER");
            const size_t mYmd = master.Column("SAL_YMD");
            const size_t mSeq = master.Column("SAL_SEQ");
            const size_t mStamp = master.Column("UPD_DT");
            const size_t seq = s.Column("SAL_SEQ");
            for (auto& row : s.rows) {
                if (!InRange(row[ymd], fromDate, toDate)) continue;
                std::vector<const std::vector<std::string>*> sales;
                for (const auto& m : master.rows)
                    if (m[mYmd] == row[ymd] && m[mSeq] == row[seq]) sales.push_back(&m);
                if (sales.size() != 1) continue;
                const auto real = RealDate((*sales[0])[mStamp]);
                if (real && *real != row[ymd]) row[ymd] = *real;
            }
        } else {
            const size_t stamp = s.Column(ServerName(t.stamp));
            for (auto& row : s.rows) {
                const auto real = RealDate(row[stamp]);
                if (!InRange(row[ymd], fromDate, toDate) || !real || *real == row[ymd]) continue;
                row[ymd] = *real;
                row[stamp] = row[stamp].substr(0, 19);
            }
        }
    }
    return state;
}

void ExpectSameSales(const SalesState& expected, const SalesState& actual) {
    for (const auto& [table, want] : expected) {
        auto it = actual.find(table);
        ASSERT_NE(it, actual.end()) << table;
        auto a = want.rows;
        auto b = it->second.rows;
        EXPECT_EQ(a.size(), b.size()) << "row count of " << table;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        if (a == b) continue;
        std::multiset<std::vector<std::string>> onlyExpected(a.begin(), a.end());
        std::multiset<std::vector<std::string>> onlyActual;
        for (const auto& row : b) {
            auto found = onlyExpected.find(row);
            if (found != onlyExpected.end())
                onlyExpected.erase(found);
            else
                onlyActual.insert(row);
        }
        std::ostringstream message;
        auto print = [&](const char* title, const auto& rows) {
            message << "\n  " << title << ":";
            for (const auto& row : rows) {
                message << "\n    ";
                for (const auto& value : row) message << "[" << value << "]";
            }
        };
        print("expected, missing", onlyExpected);
        print("found, unexpected", onlyActual);
        ADD_FAILURE() << table << " differs" << message.str();
    }
}

DatePageTest::DatePageTest() : form(ui, db.Name()) {
    form.moveJournal = &journal;
    form.IBDatabase1.Connect();
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

void DatePageTest::Start() {
    ui.Answer(form::kResultOk);
    // Also when the run throws.
    struct BackupLineTaken {
        DatePageTest& test;
        size_t backupsBefore;
        ~BackupLineTaken() { test.TakeBackupLine(backupsBefore); }
    } taken{*this, db.BackupFiles().size()};
    datefix::Button9Click(form);
}

void DatePageTest::TakeBackupLine(size_t backupsBefore) {
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

void DatePageTest::ExpectConfirmedThenDone() {
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[0].text, "매출일자 변경 진행하시겠습니까?");
    EXPECT_EQ(ui.dialogs[0].kind, form::DialogKind::Information);
    EXPECT_EQ(ui.dialogs[0].buttons, form::DialogButtons::OkCancel);
    EXPECT_EQ(ui.dialogs[1].text, "완료.");
    EXPECT_EQ(ui.dialogs[1].kind, form::DialogKind::Information);
    EXPECT_EQ(ui.dialogs[1].buttons, form::DialogButtons::Ok);
}

void DatePageTest::ExpectOnlyConfirmation() {
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].text, "매출일자 변경 진행하시겠습니까?");
}

void FailUpdatesOf(const TestDatabase& db, const std::string& table, const std::string& onlyKey) {
    db.Exec("create or alter exception E_REFUSED 'update refused'");
    const std::string condition =
        onlyKey.empty() ? "1 = 1" : "old." + std::string(Find(table).key) + " = " + Quote(onlyKey);
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

}  // namespace datefix_test
