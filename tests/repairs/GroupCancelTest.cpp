#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "repairs/GroupCancel.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;
using form::ListBoxId;

const char* const kQuestion = "강제 그룹취소를 하시겠습니까?";

void Table(const testing_support::TestDatabase& db, const std::string& no, const std::string& nm,
           const std::string& grpNo, const std::string& mst, const std::string& setSw,
           bool locked = true) {
    db.Exec("insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn, grp_set_sw) values (" +
            db::SqlQuote(no) + ", " + db::SqlQuote(nm) + ", " + db::SqlQuote(grpNo) + ", " +
            db::SqlQuote(mst) + ", " + db::SqlQuote(setSw) + ")");
    db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no) values (" + db::SqlQuote(no) +
            ", " + (locked ? "'1', '01'" : "'0', ''") + ")");
}

// Group 1: T1 (master), T2 and T3; T3 has no master mark and so stays out of the cancel.
// Group 2: T4, T5. T6 is in no group. T7 carries only a master mark.
// Korean names are code page 949 bytes, as the POS program writes them; T3's lie beyond KS X 1001.
void SeedFloor(const testing_support::TestDatabase& db) {
    Table(db, "T1", Cp("창가1"), "1", "Y", "1");
    Table(db, "T2", Cp("창가2"), "1", "N", "1");
    Table(db, "T3", Cp("똠햏3"), "1", "", "1");
    Table(db, "T4", "B1", "2", "Y", "1");
    Table(db, "T5", "B2", "2", "N", "1");
    Table(db, "T6", "C1", "", "", "0");
    Table(db, "T7", "D1", "", "Y", "0");
    db.Exec("insert into ss_master (pos_no) values ('01')");
    db.Exec("insert into ss_master (pos_no) values ('02')");
    db.Exec("insert into oc_register (sal_ymd, oc_gb) values ('20240314', '1')");
}

Rows FloorState(const testing_support::TestDatabase& db) {
    return db.Rows(
        "select t.tbl_no, t.grp_no, t.grp_mst_yn, t.grp_set_sw, l.lock_sw, l.pos_no "
        "from ti_master t join os_table_lock l on l.tbl_no = t.tbl_no order by t.tbl_no");
}

Rows Notifications(const testing_support::TestDatabase& db) {
    return db.Rows(
        "select sal_ymd, tbl_no, pos_no, order_sw from os_table_change "
        "order by sal_ymd, tbl_no, pos_no");
}

// Selects the listed table tblNo, as the operator clicks its name.
void Select(Store& s, const std::string& tblNo) {
    for (size_t i = 0; i < s.form.TableNoList.size(); ++i)
        if (s.form.TableNoList[i] == tblNo) s.window.selected2 = static_cast<int>(i);
}

TEST(GroupList, ListsGroupedTablesInGroupOrderWithTheirNumbers) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    s.form.TableNoList = {"old"};
    s.window.listBox2 = {"old"};

    repairs::Button4Click(s.form);

    // Ordered by group number, master mark, name; names stay code page 949 bytes.
    EXPECT_EQ(s.window.listBox2,
              (std::vector<std::string>{"D1", Cp("똠햏3"), Cp("창가2"), Cp("창가1"), "B2", "B1"}));
    EXPECT_EQ(s.form.TableNoList, (std::vector<std::string>{"T7", "T3", "T2", "T1", "T5", "T4"}));
    EXPECT_EQ(s.window.selected2, -1);
    EXPECT_TRUE(s.form.IBTransaction1.InTransaction());
    EXPECT_TRUE(s.window.dialogs.empty());
    // A name cut off inside a character is refused, not stored changed.
    EXPECT_THROW(s.db.Exec("update ti_master set tbl_nm = 'B3\xB0' where tbl_no = 'T4'"),
                 std::exception);
}

TEST(GroupList, EachLoadSeesChangesCommittedSinceTheLast) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    repairs::LoadGroupTables(s.form);
    s.db.Exec(
        "update ti_master set grp_no = '', grp_mst_yn = '', grp_set_sw = '0' "
        "where grp_no = '2'");

    repairs::LoadGroupTables(s.form);

    EXPECT_EQ(s.form.TableNoList, (std::vector<std::string>{"T7", "T3", "T2", "T1"}));
}

TEST(GroupList, FailureShowsItsMessageWithAnEmptyList) {
    Store s;
    s.db.Exec("drop table ti_master");
    s.Connect();
    s.form.TableNoList = {"old"};
    s.window.listBox2 = {"old"};

    repairs::LoadGroupTables(s.form);

    EXPECT_TRUE(s.window.listBox2.empty());
    EXPECT_TRUE(s.form.TableNoList.empty());
    ExpectDialogs(s.window, {{"그룹데이터 확인 실패", DialogKind::Warning, DialogButtons::Ok}});
}

TEST(GroupCancel, CancelsTheGroupOfTheSelectedTableAndNotifiesEveryPos) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T2");
    const Tables before = SnapshotAll(s.db);

    repairs::Button3Click(s.form);

    ExpectDialogs(s.window, {{"창가2\r\n" + std::string(kQuestion), DialogKind::Information,
                              DialogButtons::OkCancel},
                             {"그룹취소 되었습니다.", DialogKind::Information, DialogButtons::Ok}});
    EXPECT_EQ(s.form.BusinessDate, "20240314");
    EXPECT_EQ(FloorState(s.db), (Rows{{"T1", "", "", "0", "0", ""},
                                      {"T2", "", "", "0", "0", ""},
                                      {"T3", "1", "", "1", "1", "01"},
                                      {"T4", "2", "Y", "1", "1", "01"},
                                      {"T5", "2", "N", "1", "1", "01"},
                                      {"T6", "", "", "0", "1", "01"},
                                      {"T7", "", "Y", "0", "1", "01"}}));
    EXPECT_EQ(Notifications(s.db), (Rows{{"20240314", "T1", "01", "1"},
                                         {"20240314", "T1", "02", "1"},
                                         {"20240314", "T2", "01", "1"},
                                         {"20240314", "T2", "02", "1"}}));
    ExpectUnchangedExcept(before, SnapshotAll(s.db),
                          {"TI_MASTER", "OS_TABLE_LOCK", "OS_TABLE_CHANGE"});
    // The list is reloaded: T1 and T2 are gone, T3 keeps its group number.
    EXPECT_EQ(s.form.TableNoList, (std::vector<std::string>{"T7", "T3", "T5", "T4"}));
    EXPECT_EQ(s.window.selected2, -1);
}

TEST(GroupCancel, AnsweringCancelWritesNothingAndKeepsTheList) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T4");
    const int selected = s.window.selected2;
    const Tables before = SnapshotAll(s.db);
    s.window.Answer(form::kResultCancel);

    repairs::Button3Click(s.form);

    ExpectDialogs(s.window, {{"B1\r\n" + std::string(kQuestion), DialogKind::Information,
                              DialogButtons::OkCancel}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
    EXPECT_EQ(s.window.selected2, selected);
    EXPECT_EQ(s.form.BusinessDate, "");
}

TEST(GroupCancel, NoSelectionDoesNothing) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    repairs::LoadGroupTables(s.form);
    const Tables before = SnapshotAll(s.db);

    repairs::Button3Click(s.form);

    EXPECT_TRUE(s.window.dialogs.empty());
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(GroupCancel, ListItemWithoutTableNumberCountsAsNoSelection) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    repairs::LoadGroupTables(s.form);
    // A load that stopped between a name and its number leaves one name more than numbers.
    s.window.listBox2.push_back("X9");
    s.window.selected2 = static_cast<int>(s.window.listBox2.size()) - 1;
    const Tables before = SnapshotAll(s.db);

    repairs::Button3Click(s.form);

    EXPECT_TRUE(s.window.dialogs.empty());
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(GroupCancel, TableListedWithoutGroupNumberFindsNothingToCancel) {
    Store s;
    SeedFloor(s.db);
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T7");
    const Tables before = SnapshotAll(s.db);

    repairs::Button3Click(s.form);

    ASSERT_EQ(s.window.dialogs.size(), 2u);
    EXPECT_EQ(s.window.dialogs[1].text, "그룹취소 되었습니다.");
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
    EXPECT_EQ(s.form.TableNoList.front(), "T7");
}

TEST(GroupCancel, SameNamedTablesAreToldApartByPosition) {
    Store s;
    Table(s.db, "A1", Cp("룸"), "5", "Y", "1");
    Table(s.db, "A2", Cp("룸"), "6", "Y", "1");
    s.db.Exec("insert into ss_master (pos_no) values ('01')");
    s.Connect();
    repairs::LoadGroupTables(s.form);
    ASSERT_EQ(s.form.TableNoList, (std::vector<std::string>{"A1", "A2"}));
    s.window.selected2 = 1;

    repairs::Button3Click(s.form);

    EXPECT_EQ(s.window.dialogs.at(0).text, "룸\r\n" + std::string(kQuestion));
    EXPECT_EQ(s.db.Rows("select tbl_no, grp_no from ti_master order by tbl_no"),
              (Rows{{"A1", "5"}, {"A2", ""}}));
}

TEST(GroupCancel, ExistingNotificationsOfTheSameDateAreNotDuplicated) {
    Store s;
    SeedFloor(s.db);
    s.db.Exec(
        "insert into os_table_change (sal_ymd, tbl_no, pos_no, order_sw) "
        "values ('20240314', 'T4', '01', '1')");
    s.db.Exec(
        "insert into os_table_change (sal_ymd, tbl_no, pos_no, order_sw) "
        "values ('20240313', 'T4', '02', '1')");
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T4");

    repairs::Button3Click(s.form);
    // Notifying again on the same date writes nothing more.
    EXPECT_TRUE(repairs::NotifyTableChange(s.form, "T5"));

    EXPECT_EQ(Notifications(s.db), (Rows{{"20240313", "T4", "02", "1"},
                                         {"20240314", "T4", "01", "1"},
                                         {"20240314", "T4", "02", "1"},
                                         {"20240314", "T5", "01", "1"},
                                         {"20240314", "T5", "02", "1"}}));
}

TEST(GroupCancel, WithoutBusinessDateNotificationsCarryAnEmptyDate) {
    Store s;
    SeedFloor(s.db);
    s.db.Exec("delete from oc_register");
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T5");

    repairs::Button3Click(s.form);

    EXPECT_EQ(s.window.DialogTexts(), (std::vector<std::string>{"B2\r\n" + std::string(kQuestion),
                                                                "그룹취소 되었습니다."}));
    EXPECT_EQ(Notifications(s.db), (Rows{{"", "T4", "01", "1"},
                                         {"", "T4", "02", "1"},
                                         {"", "T5", "01", "1"},
                                         {"", "T5", "02", "1"}}));
}

TEST(GroupCancel, FailedDateLookupIsReportedAndTheCancelGoesOn) {
    Store s;
    SeedFloor(s.db);
    s.db.Exec("drop table oc_register");
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T4");

    repairs::Button3Click(s.form);

    ExpectDialogs(s.window, {{"B1\r\n" + std::string(kQuestion), DialogKind::Information,
                              DialogButtons::OkCancel},
                             {"개점일자 확인 실패", DialogKind::Warning, DialogButtons::Ok},
                             {"그룹취소 되었습니다.", DialogKind::Information, DialogButtons::Ok}});
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = '2'"), 0);
    EXPECT_EQ(s.db.Count("os_table_change", "sal_ymd = ''"), 4);
}

// Changes that transactions of the tool's attachment other than the asking one hold.
int PendingChanges(form::FormState& form) {
    db::DbTransaction look(&form.IBDatabase1);
    db::DbQuery query(&form.IBDatabase1, &look);
    query.OpenQuery(
        "select coalesce(sum(r.mon$record_inserts + r.mon$record_updates + r.mon$record_deletes),"
        " 0) cnt from mon$transactions t join mon$record_stats r on r.mon$stat_id = t.mon$stat_id"
        " where t.mon$attachment_id = current_connection"
        " and t.mon$transaction_id <> current_transaction");
    const int count = query.FieldInt("cnt");
    look.Commit();
    return count;
}

// Param: whether the failure box itself throws once it has checked.
class FailedUngroup : public ::testing::TestWithParam<bool> {};

TEST_P(FailedUngroup, UndoesThatTableBeforeReportingTwo) {
    const bool boxThrows = GetParam();
    Store s;
    SeedFloor(s.db);
    FailOn(s.db, "os_table_lock", "before update");
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "T1");
    const Tables before = SnapshotAll(s.db);
    // While the box is open, no transaction of the tool holds the failed step's rows.
    int pendingWhileOpen = -1;
    s.window.onDialog = [&](const testing_support::ScriptedWindow::Dialog& dialog) {
        if (dialog.kind != DialogKind::Warning) return;
        pendingWhileOpen = PendingChanges(s.form);
        if (boxThrows) throw std::runtime_error("the box failed");
    };

    if (boxThrows) {
        EXPECT_THROW(repairs::Button3Click(s.form), std::runtime_error);
        EXPECT_EQ(pendingWhileOpen, 0);
        ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
        return;
    }
    repairs::Button3Click(s.form);
    EXPECT_EQ(pendingWhileOpen, 0);

    ExpectDialogs(s.window, {{std::string("창가1") + "\r\n" + kQuestion, DialogKind::Information,
                              DialogButtons::OkCancel},
                             {"그룹취소실패-2", DialogKind::Warning, DialogButtons::Ok}});
    // The first table's ungrouping shared its transaction with the failed lock release.
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
    // The list is reloaded after a failure as well.
    EXPECT_EQ(s.form.TableNoList.size(), 6u);
    EXPECT_EQ(s.window.selected2, -1);
}

INSTANTIATE_TEST_SUITE_P(GroupCancel, FailedUngroup, ::testing::Bool());

TEST(GroupCancel, FailedNotificationStopsTheGroupAfterThatTable) {
    Store s;
    Table(s.db, "G1", "g1", "9", "Y", "1");
    Table(s.db, "G2", "g2", "9", "N", "1");
    Table(s.db, "G3", "g3", "9", "N", "1");
    s.db.Exec("insert into ss_master (pos_no) values ('01')");
    s.db.Exec("insert into ss_master (pos_no) values ('02')");
    s.db.Exec("insert into oc_register (sal_ymd, oc_gb) values ('20240314', '1')");
    // The notifications of whichever table comes second fail, at its second POS.
    FailOn(s.db, "os_table_change", "before insert",
           "new.pos_no = '02' and exists (select 1 from os_table_change "
           "where tbl_no <> new.tbl_no)");
    s.Connect();
    repairs::LoadGroupTables(s.form);
    Select(s, "G1");
    // While the box is open, no transaction of the tool holds the failed step's rows.
    int pendingWhileOpen = -1;
    s.window.onDialog = [&](const testing_support::ScriptedWindow::Dialog& dialog) {
        if (dialog.kind == DialogKind::Warning) pendingWhileOpen = PendingChanges(s.form);
    };

    repairs::Button3Click(s.form);
    EXPECT_EQ(pendingWhileOpen, 0);

    ExpectDialogs(s.window, {{"g1\r\n" + std::string(kQuestion), DialogKind::Information,
                              DialogButtons::OkCancel},
                             {"그룹취소실패-1", DialogKind::Warning, DialogButtons::Ok}});
    // First table: ungrouped and notified. Second: ungrouped, its notifications all undone.
    // Third: untouched.
    const Rows notified = s.db.Rows("select distinct tbl_no from os_table_change");
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(s.db.Count("os_table_change"), 2);
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = '' and tbl_no = '" + notified[0][0] + "'"), 1);
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = ''"), 2);
    EXPECT_EQ(s.db.Count("os_table_lock", "lock_sw = '0'"), 2);
    const Rows untouched = s.db.Rows(
        "select t.grp_no, t.grp_mst_yn, t.grp_set_sw, l.lock_sw, l.pos_no from ti_master t "
        "join os_table_lock l on l.tbl_no = t.tbl_no where t.grp_no <> ''");
    EXPECT_EQ(untouched, (Rows{{"9", "N", "1", "1", "01"}}));
    EXPECT_EQ(s.form.TableNoList.size(), 1u);
}

TEST(GroupCancel, RunsWhenTheWindowHasNoConnectionYet) {
    Store s;
    SeedFloor(s.db);

    repairs::Button4Click(s.form);
    ASSERT_EQ(s.form.TableNoList.size(), 6u);
    Select(s, "T5");
    repairs::Button3Click(s.form);

    EXPECT_EQ(s.window.dialogs.back().text, "그룹취소 되었습니다.");
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = '2'"), 0);
}

}  // namespace
}  // namespace repairs_test
