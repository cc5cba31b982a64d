#include <string>

#include <gtest/gtest.h>

#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "repairs/PaymentMode.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;
using form::ListBoxId;
using form::RadioId;

// Two POS terminals with their payment option rows and one unrelated option each.
void SeedTerminals(const testing_support::TestDatabase& db, const std::string& pos1,
                   const std::string& pos2) {
    for (const std::string& pos : {pos1, pos2}) {
        const std::string q = db::SqlQuote(pos);
        db.Exec("insert into ss_master (pos_no, pos_nm) values (" + q + ", 'pos')");
        db.Exec("insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values (" + q +
                ", '001', 'N', 'Y')");
        db.Exec("insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values (" + q +
                ", '002', 'Y', 'Y')");
        db.Exec("insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values (" + q +
                ", '003', 'Y', 'Y')");
    }
}

Rows Options(const testing_support::TestDatabase& db) {
    return db.Rows(
        "select op_pos_no, op_idx, op_set_yn, send_yn from ss_option_pos order by op_pos_no, "
        "op_idx");
}

TEST(PosList, ListsPosNumbersInOrderAsStoredBytes) {
    Store s;
    const std::string korean = Cp("카운터");
    SeedTerminals(s.db, "02", korean);
    s.db.Exec("insert into ss_master (pos_no) values ('01')");
    s.window.listBox1 = {"stale"};
    s.Connect();

    repairs::LoadPosList(s.form);

    // Ascending by the stored bytes: digits before the code page 949 lead bytes.
    EXPECT_EQ(s.window.listBox1, (std::vector<std::string>{"01", "02", korean}));
    EXPECT_TRUE(s.window.dialogs.empty());
    // The read stays open on the window's transaction until the next list load or switch.
    EXPECT_TRUE(s.form.IBTransaction1.InTransaction());
}

TEST(PosList, FailureIsSwallowedAndLeavesAnEmptyList) {
    Store s;
    s.db.Exec("drop table ss_master");
    s.window.listBox1 = {"stale"};
    s.Connect();

    repairs::LoadPosList(s.form);

    EXPECT_TRUE(s.window.listBox1.empty());
    EXPECT_TRUE(s.window.dialogs.empty());
}

TEST(PaymentSwitch, RefusesWithoutConnectionSelectionOrMode) {
    Store s;
    SeedTerminals(s.db, "01", "02");
    const Tables before = SnapshotAll(s.db);
    s.window.listBox1 = {"01", "02"};
    s.window.selected1 = 0;
    s.window.checked[RadioId::RadioButton1] = true;

    // Not connected: the switch says so and does not connect by itself.
    repairs::Button1Click(s.form);
    EXPECT_FALSE(s.form.IBDatabase1.IsConnected());

    s.Connect();
    // No POS selected: this test comes before the mode test.
    s.window.selected1 = -1;
    s.window.checked.clear();
    repairs::Button1Click(s.form);
    // A POS but no mode.
    s.window.selected1 = 1;
    repairs::Button1Click(s.form);

    ExpectDialogs(s.window,
                  {{"DB연결실패", DialogKind::Warning, DialogButtons::Ok},
                   {"POS를 선택하세요.", DialogKind::Warning, DialogButtons::Ok},
                   {"선/후불제를 선택하세요.", DialogKind::Information, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(PaymentSwitch, PrepaidThenPostpaidWritesOnlyThePairOfTheSelectedPos) {
    Store s;
    SeedTerminals(s.db, "01", "02");
    s.Connect();
    repairs::LoadPosList(s.form);
    s.window.selected1 = 1;  // "02"
    const Tables before = SnapshotAll(s.db);

    s.window.checked[RadioId::RadioButton1] = true;
    repairs::Button1Click(s.form);
    EXPECT_EQ(Options(s.db), (Rows{{"01", "001", "N", "Y"},
                                   {"01", "002", "Y", "Y"},
                                   {"01", "003", "Y", "Y"},
                                   {"02", "001", "Y", "N"},
                                   {"02", "002", "N", "N"},
                                   {"02", "003", "Y", "Y"}}));
    EXPECT_FALSE(s.form.IBTransaction1.InTransaction());
    EXPECT_FALSE(s.form.IBQuery1.IsOpen());

    s.window.checked[RadioId::RadioButton1] = false;
    s.window.checked[RadioId::RadioButton2] = true;
    repairs::Button1Click(s.form);
    EXPECT_EQ(Options(s.db), (Rows{{"01", "001", "N", "Y"},
                                   {"01", "002", "Y", "Y"},
                                   {"01", "003", "Y", "Y"},
                                   {"02", "001", "N", "N"},
                                   {"02", "002", "Y", "N"},
                                   {"02", "003", "Y", "Y"}}));

    // Both buttons checked at once: postpaid wins.
    s.db.Exec("update ss_option_pos set send_yn = 'Y'");
    s.window.checked[RadioId::RadioButton1] = true;
    repairs::Button1Click(s.form);
    EXPECT_EQ(s.db.Rows("select op_idx, op_set_yn, send_yn from ss_option_pos "
                        "where op_pos_no = '02' and op_idx in ('001', '002') order by op_idx"),
              (Rows{{"001", "N", "N"}, {"002", "Y", "N"}}));

    const std::vector<ExpectedDialog> done(
        3, {"02 POS 변경 완료.", DialogKind::Information, DialogButtons::Ok});
    ExpectDialogs(s.window, done);
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {"SS_OPTION_POS"});
}

TEST(PaymentSwitch, KoreanPosNumberWithQuoteRoundTripsIntoTheUpdate) {
    Store s;
    const std::string pos = Cp("카'운");
    SeedTerminals(s.db, "01", pos);
    s.Connect();
    repairs::LoadPosList(s.form);
    ASSERT_EQ(s.window.listBox1.size(), 2u);
    ASSERT_EQ(s.window.listBox1[1], pos);
    s.window.selected1 = 1;
    s.window.checked[RadioId::RadioButton1] = true;

    repairs::Button1Click(s.form);

    ExpectDialogs(s.window, {{"카'운 POS 변경 완료.", DialogKind::Information, DialogButtons::Ok}});
    EXPECT_EQ(s.db.Count("ss_option_pos", "op_set_yn = 'Y' and op_idx = '001'"), 1);
    EXPECT_EQ(s.db.Rows("select op_pos_no from ss_option_pos where op_idx = '001' and "
                        "op_set_yn = 'Y'"),
              (Rows{{pos}}));
}

TEST(PaymentSwitch, PosWithoutOptionRowsStillReportsCompletion) {
    Store s;
    s.db.Exec("insert into ss_master (pos_no) values ('07')");
    s.Connect();
    repairs::LoadPosList(s.form);
    s.window.selected1 = 0;
    s.window.checked[RadioId::RadioButton2] = true;
    const Tables before = SnapshotAll(s.db);

    repairs::Button1Click(s.form);

    ExpectDialogs(s.window, {{"07 POS 변경 완료.", DialogKind::Information, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(PaymentSwitch, FailingSecondUpdateUndoesTheFirst) {
    Store s;
    SeedTerminals(s.db, "01", "02");
    FailOn(s.db, "ss_option_pos", "before update", "new.op_idx = '002'");
    s.Connect();
    repairs::LoadPosList(s.form);
    s.window.selected1 = 0;
    s.window.checked[RadioId::RadioButton1] = true;
    const Tables before = SnapshotAll(s.db);

    repairs::Button1Click(s.form);

    ExpectDialogs(s.window, {{"변경 실패.", DialogKind::Warning, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
    EXPECT_FALSE(s.form.IBTransaction1.InTransaction());
}

TEST(PaymentSwitch, RowChangedByAnotherClientSinceTheListLoadFailsAndRollsBack) {
    Store s;
    SeedTerminals(s.db, "01", "02");
    s.Connect();
    // The list load leaves IBTransaction1 active; the switch reuses it.
    repairs::LoadPosList(s.form);
    s.window.selected1 = 0;
    s.window.checked[RadioId::RadioButton2] = true;
    // A POS changes row '002' after that transaction began and commits.
    s.db.Exec("update ss_option_pos set send_yn = 'X' where op_pos_no = '01' and op_idx = '002'");
    const Tables before = SnapshotAll(s.db);

    repairs::Button1Click(s.form);

    ExpectDialogs(s.window, {{"변경 실패.", DialogKind::Warning, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
    EXPECT_FALSE(s.form.IBTransaction1.InTransaction());

    // The rollback ended the stale transaction, so the next press starts afresh and succeeds.
    repairs::Button1Click(s.form);
    EXPECT_EQ(s.window.dialogs.back().text, "01 POS 변경 완료.");
    EXPECT_EQ(s.db.Rows("select op_idx, op_set_yn, send_yn from ss_option_pos "
                        "where op_pos_no = '01' order by op_idx"),
              (Rows{{"001", "N", "N"}, {"002", "Y", "N"}, {"003", "Y", "Y"}}));
}

}  // namespace
}  // namespace repairs_test
