#include <string>

#include <gtest/gtest.h>

#include "repairs/TableLocks.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;

const ExpectedDialog kAsk{"테이블 락 제거 진행하시겠습니까?", DialogKind::Information,
                          DialogButtons::OkCancel};

void SeedLocks(const testing_support::TestDatabase& db) {
    db.ExecAll({
        "insert into os_table_lock (tbl_no, lock_sw, pos_no, upd_dt) values ('1', '1', '01', 'a')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no, upd_dt) values ('2', '0', '02', 'b')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no, upd_dt) values ('3', null, '03', 'c')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no, upd_dt) values ('4', '2', '04', 'd')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no, upd_dt) values ('9999', '0', '', 'e')",
        "insert into ti_master (tbl_no, tbl_nm) values ('1', 'one')",
    });
}

TEST(TableLocks, ReleasesEveryLockAndDropsTable9999) {
    Store s;
    SeedLocks(s.db);
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button6Click(s.form);

    ExpectDialogs(s.window,
                  {kAsk, {"테이블 락 제거 완료", DialogKind::Information, DialogButtons::Ok}});
    // A NULL lock_sw is not "<> '0'" and stays; unlocked rows keep their pos_no.
    EXPECT_EQ(s.db.Snapshot("OS_TABLE_LOCK"), (Rows{{"1", "0", "", "a"},
                                                    {"2", "0", "02", "b"},
                                                    {"3", "<null>", "03", "c"},
                                                    {"4", "0", "", "d"}}));
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {"OS_TABLE_LOCK"});
}

TEST(TableLocks, NothingLockedStillReportsCompletion) {
    Store s;
    s.db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('5', '0', '05')");
    const Tables before = SnapshotAll(s.db);

    // The handler connects on its own when the window has no connection.
    repairs::Button6Click(s.form);

    ExpectDialogs(s.window,
                  {kAsk, {"테이블 락 제거 완료", DialogKind::Information, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(TableLocks, AnsweringCancelWritesNothing) {
    Store s;
    SeedLocks(s.db);
    s.Connect();
    const Tables before = SnapshotAll(s.db);
    s.window.Answer(form::kResultCancel);

    repairs::Button6Click(s.form);

    ExpectDialogs(s.window, {kAsk});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(TableLocks, FailedUpdateAlsoUndoesTheDelete) {
    Store s;
    SeedLocks(s.db);
    FailOn(s.db, "os_table_lock", "before update", "old.tbl_no = '4'");
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button6Click(s.form);

    ExpectDialogs(s.window,
                  {kAsk, {"테이블 락 제거 실패", DialogKind::Warning, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(TableLocks, UnreachableDatabaseReportsFailure) {
    testing_support::TestDatabase db;
    testing_support::ScriptedWindow window;
    form::FormState state(window, db.Name() + ".missing");

    repairs::Button6Click(state);

    ExpectDialogs(window, {kAsk, {"테이블 락 제거 실패", DialogKind::Warning, DialogButtons::Ok}});
    EXPECT_FALSE(state.IBDatabase1.IsConnected());
}

}  // namespace
}  // namespace repairs_test
