// A row held by another program (an isql-fb process with an uncommitted update), with the date
// move run as the window runs it (form::OperationRunner) on the scripted window: the wait dialog
// comes up naming the holder, and "취소" fails the move with nothing changed.
#include "datefix/DatePage.h"
#include "form/OperationRunner.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

TEST(HeldRow, CancellingTheWaitStopsTheDateMoveWithNothingMoved) {
    TestDatabase db;
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    testing_support::IsqlHolder holder(
        db, "update OS_ORDER set UPD_DT = UPD_DT where SAL_YMD = '20240313' and SAL_SEQ = '2'");
    const std::string named = "사용 중인 프로그램: isql-fb (PID " + holder.Pid() + ", 127.0.0.1)";
    testing_support::ScriptedWindow ui;
    // "취소" is pressed once a text of the wait dialog names the holder.
    form::OperationRunner runner{
        ui, [&] {
            if (!ui.waitTexts.empty() && ui.waitTexts.back().find(named) != std::string::npos)
                ui.pressCancel = true;
        }};
    form::FormState form{runner.Window(), db.Name()};
    SetPicker(ui, form::PickerId::dtChange01, "20240313");
    SetPicker(ui, form::PickerId::dtChange02, "20240314");
    ui.checked[form::RadioId::RadioButton3] = true;
    runner.Run(form.IBDatabase1, [&] { datefix::Button9Click(form); });

    ASSERT_TRUE(ui.pressCancel) << "the holder was never named";
    EXPECT_EQ(ui.waitTexts.front().rfind("DB 작업이 끝나기를 기다리고 있습니다. (2초)", 0), 0u);
    EXPECT_FALSE(ui.waitOpen);
    // The held row is in the middle of its batch: the log names it, and no row after it.
    EXPECT_EQ(Tail(ui.log, 4), Lines({"OS_ORDER->1 - 2024-03-14", "OS_ORDER->2 - 2024-03-14",
                                      "ERROR OS_ORDER->2", kSingleFailed}));
    ExpectSameSales(before, Capture(db));
}

}  // namespace
}  // namespace datefix_test
