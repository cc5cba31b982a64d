// Failure paths whose rollback fails too, as on a lost attachment, on the stand-in client library:
// the failed work is not committed when its transaction is freed.
#include "datefix/DatePage.h"
#include "repairs/TableLocks.h"
#include "tests/datefix/SalesFixture.h"
#include "tests/support/FaultyClientControl.h"

namespace datefix_test {
namespace {

using testing_support::FailNextRollbacks;

class RollbackFails : public DatePageTest {
protected:
    // The commit after an update of `table` is refused, then the first rollback after the backup
    // fails: the unit's work is still in its transaction.
    void StartRefusingCommitAfterUpdateOf(const std::string& table) {
        RefuseNextAfterUpdateOf(db, "commit", table);
        form.IBDatabase1.Disconnect();
        form.IBDatabase1.Connect();
        ui.onProgressClosed = [] { FailNextRollbacks(1); };
        Start();
        EXPECT_EQ(FailNextRollbacks(0), 0) << "no rollback was attempted";
    }
};

TEST_F(RollbackFails, SingleDateMoveKeepsNothingOfTheFailedTable) {
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    ChooseSingleMove("20240313", "20240314");
    StartRefusingCommitAfterUpdateOf("OS_MASTER");
    EXPECT_EQ(Tail(ui.log, 3),
              Lines({"OS_MASTER->3 - 2024-03-14", "ERROR OS_MASTER->3", kSingleFailed}));
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 3, false), Capture(db));
    // Rolled back when freed, not left open on the server.
    EXPECT_EQ(db.Count("mon$transactions t",
                       "exists (select 1 from mon$attachments a where a.mon$attachment_id = "
                       "t.mon$attachment_id and a.mon$system_flag = 0 and a.mon$attachment_id <> "
                       "current_connection)"),
              0);
}

TEST_F(RollbackFails, RealignmentKeepsNothingOfTheFailedStatement) {
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    ChooseRealign("20240313", "20240316");
    StartRefusingCommitAfterUpdateOf("OS_PAY");
    EXPECT_EQ(ui.log, Lines({kRealignStart, "ERROR os_pay", kRealignFailed}));
    ExpectSameSales(AfterRealign(before, "20240313", "20240316", 9), Capture(db));
}

// A lock removal whose update fails warns and keeps the locks; a failed lookup of the programs
// attached lets the operation go on.
TEST_F(RollbackFails, TableLockRemovalWarnsOrGoesOn) {
    db.ExecAll({"insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('9999', '1', '01')",
                "insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('4', '1', '01')"});
    FailUpdatesOf(db, "OS_TABLE_LOCK");  // after the delete of table 9999
    const auto before = db.Snapshot("OS_TABLE_LOCK");
    ui.onProgressClosed = [] { FailNextRollbacks(1); };
    repairs::Button6Click(form);
    EXPECT_EQ(FailNextRollbacks(0), 0);
    EXPECT_EQ(ui.DialogTexts(), Lines({"테이블 락 제거 진행하시겠습니까?", "테이블 락 제거 실패"}));
    EXPECT_EQ(db.Snapshot("OS_TABLE_LOCK"), before);

    StopFailingUpdatesOf(db, "OS_TABLE_LOCK");
    ui.onProgressClosed = nullptr;
    ui.dialogs.clear();
    FailNextRollbacks(1);
    repairs::Button6Click(form);
    EXPECT_EQ(FailNextRollbacks(0), 0);
    EXPECT_EQ(ui.DialogTexts(), Lines({"테이블 락 제거 진행하시겠습니까?", "테이블 락 제거 완료"}));
}

}  // namespace
}  // namespace datefix_test

int main(int argc, char** argv) {
    testing_support::UseFaultyClient();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
