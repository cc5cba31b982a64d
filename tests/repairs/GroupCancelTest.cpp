// Group cancel, the group list and the business date its notifications carry; the payment
// switch and the POS list.
#include <set>
#include <string>
#include <vector>

#include "db/SqlQuote.h"
#include "repairs/BusinessDate.h"
#include "repairs/GroupCancel.h"
#include "repairs/PaymentMode.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;
using Numbers = std::vector<std::string>;

// Group 1: T1 (master), T2, and T3 without a master mark, which stays out of the cancel.
// Group 2: T4 (master), T5, T8. T6 is in no group, T7 carries only a master mark, T9 alone in
// group 6 has the same name as T8. Names are code page 949 bytes; T3's lie beyond KS X 1001.
// Every table is locked by POS 01; the store has POS 01 and 02 and was opened on 20240314.
void SeedFloor(const testing_support::TestDatabase& db) {
    // clang-format off
    const std::vector<Numbers> tables = {
        {"T1", Cp("창가1"), "1", "Y", "1"}, {"T2", Cp("창가2"), "1", "N", "1"},
        {"T3", Cp("똠햏3"), "1", "", "1"},  {"T4", "B1", "2", "Y", "1"},
        {"T5", "B2", "2", "N", "1"},        {"T8", Cp("룸"), "2", "N", "1"},
        {"T6", "C1", "", "", "0"},          {"T7", "D1", "", "Y", "0"},
        {"T9", Cp("룸"), "6", "Y", "1"}};
    // clang-format on
    for (const auto& t : tables) {
        db.Exec("insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn, grp_set_sw) values (" +
                db::SqlQuote(t[0]) + ", " + db::SqlQuote(t[1]) + ", '" + t[2] + "', '" + t[3] +
                "', '" + t[4] + "')");
        db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('" + t[0] +
                "', '1', '01')");
    }
    db.ExecAll({"insert into ss_master (pos_no) values ('01')",
                "insert into ss_master (pos_no) values ('02')",
                "insert into oc_register (sal_ymd, oc_gb) values ('20240314', '1')"});
}

const Numbers kListed = {"T7", "T3", "T2", "T1", "T5", "T8", "T4", "T9"};
const char* const kFloor =
    "select t.tbl_no, t.grp_no, t.grp_mst_yn, t.grp_set_sw, l.lock_sw, l.pos_no "
    "from ti_master t join os_table_lock l on l.tbl_no = t.tbl_no order by t.tbl_no";
const char* const kNotes =
    "select sal_ymd, tbl_no, pos_no, order_sw from os_table_change order by 1, 2, 3";

// Changes held by transactions of other attachments than the test's: the tool's, while its box
// is open.
long long PendingChanges(const testing_support::TestDatabase& db) {
    return std::stoll(db.Scalar(
        "select coalesce(sum(r.mon$record_inserts + r.mon$record_updates + r.mon$record_deletes),"
        " 0) from mon$transactions t join mon$record_stats r on r.mon$stat_id = t.mon$stat_id"
        " where t.mon$attachment_id <> current_connection"));
}

// Selects the listed table tblNo, as the operator clicks its name.
void Select(Store& s, const std::string& tblNo) {
    for (size_t i = 0; i < s.form.TableNoList.size(); ++i)
        if (s.form.TableNoList[i] == tblNo) s.window.selected2 = static_cast<int>(i);
}

Dialog Ask(const std::string& name) {
    return {name + "\r\n강제 그룹취소를 하시겠습니까?", DialogKind::Information,
            DialogButtons::OkCancel};
}
const Dialog kDone{"그룹취소 되었습니다.", DialogKind::Information, DialogButtons::Ok};

struct CancelCase {
    const char* name;
    void (*setup)(Store&);  // on the floor, before the list loads
    const char* select;     // a listed table, "" for none, "X9" for a name without a number
    Dialogs dialogs;
    std::set<std::string> ungrouped;  // ungrouped, unlocked and notified to every POS
    std::string date;                 // the business date the notifications carry
    int answer = form::kResultOk;
};

void NoSetup(Store&) {}
void NotifiedBefore(Store& s) {
    s.db.ExecAll(
        {"insert into os_table_change (sal_ymd, tbl_no, pos_no, order_sw) "
         "values ('20240314', 'T4', '01', '1')",
         "insert into os_table_change (sal_ymd, tbl_no, pos_no, order_sw) "
         "values ('20240313', 'T4', '02', '1')"});
}

const Dialog kNoDate{"개점일자 확인 실패", DialogKind::Warning, DialogButtons::Ok};
const Dialog kUngroupFailed{"그룹취소실패-2", DialogKind::Warning, DialogButtons::Ok};

// clang-format off
const CancelCase kCancels[] = {
    {"SelectedGroup", NoSetup, "T2", {Ask("창가2"), kDone}, {"T1", "T2"}, "20240314"},
    {"AnsweredCancel", NoSetup, "T4", {Ask("B1")}, {}, "", form::kResultCancel},
    {"NoSelection", NoSetup, "", {}, {}, ""},
    {"NameWithoutNumber", NoSetup, "X9", {}, {}, ""},
    {"NoGroupNumber", NoSetup, "T7", {Ask("D1"), kDone}, {}, "20240314"},
    {"SameNamedTable", NoSetup, "T9", {Ask("룸"), kDone}, {"T9"}, "20240314"},
    {"NotifiedBefore", NotifiedBefore, "T4", {Ask("B1"), kDone}, {"T4", "T5", "T8"}, "20240314"},
    {"NoBusinessDate", [](Store& s) { s.db.Exec("delete from oc_register"); }, "T5",
     {Ask("B2"), kDone}, {"T4", "T5", "T8"}, ""},
    {"DateLookupFails", [](Store& s) { s.db.Exec("drop table oc_register"); }, "T4",
     {Ask("B1"), kNoDate, kDone}, {"T4", "T5", "T8"}, ""},
    {"UnlockFails", [](Store& s) { FailOn(s.db, "os_table_lock", "before update"); }, "T1",
     {Ask("창가1"), kUngroupFailed}, {}, "20240314"},
};
// clang-format on

class GroupCancel : public ::testing::TestWithParam<CancelCase> {};

// The window has no connection yet: the list button connects.
TEST_P(GroupCancel, ChangesOnlyTheSelectedGroup) {
    const CancelCase& c = GetParam();
    Store s;
    SeedFloor(s.db);
    c.setup(s);
    repairs::Button4Click(s.form);
    if (std::string(c.select) == "X9") {
        // A load that stopped between a name and its number leaves one name more than numbers.
        s.window.listBox2.push_back("X9");
        s.window.selected2 = static_cast<int>(s.window.listBox2.size()) - 1;
    }
    Select(s, c.select);
    const int selected = s.window.selected2;
    Rows floor = s.db.Rows(kFloor);
    const Rows notes = s.db.Rows(kNotes);
    const Tables before = SnapshotAll(s.db);
    s.window.Answer(c.answer);
    long long pending = 0;  // while a warning is open
    s.window.onDialog = [&](const testing_support::ScriptedWindow::Dialog& dialog) {
        if (dialog.kind != DialogKind::Warning) return;
        pending += PendingChanges(s.db);
    };
    repairs::Button3Click(s.form);

    EXPECT_EQ(s.Shown(), c.dialogs);
    EXPECT_EQ(pending, 0);
    EXPECT_EQ(s.form.BusinessDate, c.date);
    std::set<std::vector<std::string>> wanted(notes.begin(), notes.end());
    for (auto& row : floor) {
        if (!c.ungrouped.count(row[0])) continue;
        row = {row[0], "", "", "0", "0", ""};
        for (const char* pos : {"01", "02"}) wanted.insert({c.date, row[0], pos, "1"});
    }
    EXPECT_EQ(s.db.Rows(kFloor), floor);
    EXPECT_EQ(s.db.Rows(kNotes), Rows(wanted.begin(), wanted.end()));
    const Names floorTables{"TI_MASTER", "OS_TABLE_LOCK", "OS_TABLE_CHANGE"};
    EXPECT_EQ(Changed(before, SnapshotAll(s.db)), c.ungrouped.empty() ? Names{} : floorTables);
    Numbers listed;  // what is left of the list, in its order
    for (const std::string& t : kListed)
        if (!c.ungrouped.count(t)) listed.push_back(t);
    EXPECT_EQ(s.form.TableNoList, listed);
    EXPECT_EQ(s.window.selected2, c.dialogs.size() > 1 ? -1 : selected);  // reloaded
}

INSTANTIATE_TEST_SUITE_P(Floor, GroupCancel, ::testing::ValuesIn(kCancels),
                         [](const auto& info) { return std::string(info.param.name); });

// The notifications of whichever group member comes second fail at its second POS: the first
// stays ungrouped and notified, the second ungrouped without notifications, the third untouched.
TEST(GroupCancelFailure, FailedNotificationStopsTheGroupAfterThatTable) {
    Store s;
    SeedFloor(s.db);
    FailOn(s.db, "os_table_change", "before insert",
           "new.pos_no = '02' and exists (select 1 from os_table_change "
           "where tbl_no <> new.tbl_no)");
    repairs::LoadGroupTables(s.form);
    Select(s, "T4");
    long long pending = -1;
    s.window.onDialog = [&](const auto&) { pending = PendingChanges(s.db); };
    s.window.Answer(form::kResultOk);
    repairs::Button3Click(s.form);
    EXPECT_EQ(pending, 0);
    EXPECT_EQ(s.Shown(),
              (Dialogs{Ask("B1"), {"그룹취소실패-1", DialogKind::Warning, DialogButtons::Ok}}));
    const Rows notified = s.db.Rows("select distinct tbl_no from os_table_change");
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(s.db.Count("os_table_change"), 2);
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = '' and tbl_no = '" + notified[0][0] + "'"), 1);
    EXPECT_EQ(s.db.Count("ti_master t join os_table_lock l on l.tbl_no = t.tbl_no",
                         "t.grp_no = '2' and l.lock_sw = '1' and l.pos_no = '01'"),
              1);
    EXPECT_EQ(s.db.Count("os_table_lock", "lock_sw = '0' and pos_no = ''"), 2);
    EXPECT_EQ(s.form.TableNoList.size(), 6u);
}

// Each lookup on the same store, as records come: the latest opening date, else the latest
// uncancelled closing date, trimmed; the first lookup connects on its own.
TEST(BusinessDate, LatestOpeningElseLatestUncancelledClosing) {
    Store s;
    s.form.BusinessDate = "stale";
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"'20240314', '2', 'Y'", ""},
        {"'20240313  ', '2', 'N'", "20240313"},
        {"'20240312  ', '1', 'N'", "20240312"},
        {"'20240311', '1', 'N'", "20240312"},
    };
    for (const auto& [record, date] : steps) {
        s.db.Exec("insert into oc_register (sal_ymd, oc_gb, cancel_yn) values (" + record + ")");
        repairs::LoadBusinessDate(s.form);
        EXPECT_EQ(s.form.BusinessDate, date) << record;
    }
    EXPECT_TRUE(s.window.dialogs.empty());
}

// Reads that fail: the group list and the business date say so, the POS list stays silent.
TEST(FailedReads, ListsEmptyDateClearedMessagesAsEachShows) {
    Store s;
    s.db.ExecAll({"drop table ti_master", "drop table oc_register", "drop table ss_master"});
    s.Connect();
    s.form.TableNoList = {"old"};
    s.window.listBox1 = s.window.listBox2 = {"old"};
    s.form.BusinessDate = "20240101";
    repairs::LoadPosList(s.form);
    repairs::LoadGroupTables(s.form);
    repairs::LoadBusinessDate(s.form);
    EXPECT_TRUE(s.window.listBox1.empty() && s.window.listBox2.empty());
    EXPECT_TRUE(s.form.TableNoList.empty());
    EXPECT_EQ(s.form.BusinessDate, "");
    EXPECT_EQ(s.Shown(), (Dialogs{{"그룹데이터 확인 실패", DialogKind::Warning, DialogButtons::Ok},
                                  {"개점일자 확인 실패", DialogKind::Warning, DialogButtons::Ok}}));
}

using form::RadioId;

const std::string kQuoted = Cp("카'운");
const Dialog kFailed{"변경 실패.", DialogKind::Warning, DialogButtons::Ok};
const Rows kPrepaid{{"001", "Y", "N"}, {"002", "N", "N"}, {"003", "Y", "Y"}};
const Rows kPostpaid{{"001", "N", "N"}, {"002", "Y", "N"}, {"003", "Y", "Y"}};

Dialog Done(const std::string& pos) {
    return {pos + " POS 변경 완료.", DialogKind::Information, DialogButtons::Ok};
}

struct SwitchCase {
    const char* name;
    int index;   // the selected POS: 01 has no option rows, 02 and the quoted one are postpaid
    int radios;  // 1 prepaid, 2 postpaid, 3 both
    Dialogs dialogs;
    Rows options;                     // the selected POS's rows afterwards; none: nothing changes
    void (*setup)(Store&) = nullptr;  // after the list load
    bool connect = true;
};

// clang-format off
const SwitchCase kSwitches[] = {
    {"Prepaid", 1, 1, {Done("02")}, kPrepaid},
    {"PostpaidWinsOverBoth", 2, 3, {Done("카'운")}, kPostpaid},
    {"PosWithoutOptionRows", 0, 2, {Done("01")}, {}},
    {"SecondUpdateFails", 1, 1, {kFailed}, {},
     [](Store& s) { FailOn(s.db, "ss_option_pos", "before update", "new.op_idx = '002'"); }},
    // A POS commits a change to a row after the list load began the transaction the switch uses.
    {"RowChangedSinceTheListLoad", 1, 2, {kFailed}, {},
     [](Store& s) {
         s.db.Exec("update ss_option_pos set send_yn = 'X' where op_pos_no = '02' and op_idx = '002'");
     }},
    {"NotConnected", 1, 1, {{"DB연결실패", DialogKind::Warning, DialogButtons::Ok}}, {}, nullptr,
     false},
    // The selection is asked for before the mode.
    {"NoPos", -1, 0, {{"POS를 선택하세요.", DialogKind::Warning, DialogButtons::Ok}}, {}},
    {"NoMode", 1, 0, {{"선/후불제를 선택하세요.", DialogKind::Information, DialogButtons::Ok}}, {}},
};
// clang-format on

class PaymentSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(PaymentSwitch, WritesOnlyThePairOfTheSelectedPos) {
    const SwitchCase& c = GetParam();
    Store s;
    s.db.Exec("insert into ss_master (pos_no) values ('01')");
    for (const std::string& pos : {std::string("02"), kQuoted}) {
        s.db.Exec("insert into ss_master (pos_no) values (" + db::SqlQuote(pos) + ")");
        for (const char* option : {"'001', 'N'", "'002', 'Y'", "'003', 'Y'"})
            s.db.Exec("insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values (" +
                      db::SqlQuote(pos) + ", " + option + ", 'Y')");
    }
    s.window.listBox1 = {"stale"};
    if (c.connect) {
        s.Connect();
        repairs::LoadPosList(s.form);
        // Ascending by the stored bytes; the read stays open on the window's transaction.
        EXPECT_TRUE(s.form.IBTransaction1.InTransaction());
    } else {
        s.window.listBox1 = {"01", "02", kQuoted};
    }
    ASSERT_EQ(s.window.listBox1, (std::vector<std::string>{"01", "02", kQuoted}));
    if (c.setup) c.setup(s);
    s.window.selected1 = c.index;
    s.window.checked[RadioId::RadioButton1] = c.radios & 1;
    s.window.checked[RadioId::RadioButton2] = c.radios & 2;
    const Tables before = SnapshotAll(s.db);

    repairs::Button1Click(s.form);

    EXPECT_EQ(s.Shown(), c.dialogs);
    const Tables after = SnapshotAll(s.db);
    EXPECT_EQ(Changed(before, after), c.options.empty() ? Names{} : Names{"SS_OPTION_POS"});
    if (!c.options.empty()) {
        const std::string pos = db::SqlQuote(s.window.listBox1[c.index]);
        EXPECT_EQ(s.db.Rows("select op_idx, op_set_yn, send_yn from ss_option_pos where "
                            "op_pos_no = " +
                            pos + " order by 1"),
                  c.options);
        EXPECT_EQ(s.db.Count("ss_option_pos", "op_pos_no <> " + pos + " and send_yn = 'N'"), 0);
    }
    EXPECT_EQ(s.form.IBDatabase1.IsConnected(), c.connect);
    if (c.index >= 0 && c.radios) {
        EXPECT_FALSE(s.form.IBTransaction1.InTransaction());
        EXPECT_FALSE(s.form.IBQuery1.IsOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(Terminals, PaymentSwitch, ::testing::ValuesIn(kSwitches),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace repairs_test
