// A row held by another program (an isql-fb process with an uncommitted update), with the
// operations run as the window runs them (form::OperationRunner) on the scripted window: the wait
// dialog comes up naming the holder and "취소" fails the operation with nothing changed (a holder
// that rolls back is tried through the real window, WaitWindowTest).
#include <chrono>

#include "datefix/DatePage.h"
#include "form/OperationRunner.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

using Clock = std::chrono::steady_clock;

class HeldRowTest : public ::testing::Test {
protected:
    // Runs a page handler through the runner; onWait is called on this thread while it waits.
    void Run(const std::function<void(form::FormState&)>& handler) {
        start = Clock::now();
        runner.Run(form.IBDatabase1, [&] { handler(form); });
    }
    double SecondsUntilNamed() const {
        return std::chrono::duration<double>(named - start).count();
    }
    // Presses "취소" once the holder is named, noting when.
    void CancelWhenNamed(const std::string& line) {
        onWait = [this, line] {
            if (ui.waitTexts.empty() || ui.waitTexts.back().find(line) == std::string::npos) return;
            if (!ui.pressCancel) named = Clock::now();
            ui.pressCancel = true;
        };
    }

    TestDatabase db;
    testing_support::ScriptedWindow ui;
    std::function<void()> onWait = [] {};
    form::OperationRunner runner{ui, [this] { onWait(); }};
    form::FormState form{runner.Window(), db.Name()};
    Clock::time_point start, named;
};

std::string OtherProgramLine(const testing_support::IsqlHolder& holder) {
    return "isql-fb (PID " + holder.Pid() + ", 127.0.0.1)";
}

std::string HolderLine(const testing_support::IsqlHolder& holder) {
    return "사용 중인 프로그램: " + OtherProgramLine(holder);
}

TEST_F(HeldRowTest, CancellingTheWaitStopsTheDateMoveWithNothingMoved) {
    SeedThreeSales(db);
    const SalesState before = Capture(db);
    testing_support::IsqlHolder holder(
        db, "update OS_ORDER set UPD_DT = UPD_DT where SAL_YMD = '20240313' and SAL_SEQ = '2'");
    CancelWhenNamed(HolderLine(holder));
    SetPicker(ui, form::PickerId::dtChange01, "20240313");
    SetPicker(ui, form::PickerId::dtChange02, "20240314");
    ui.checked[form::RadioId::RadioButton3] = true;

    Run(datefix::Button9Click);

    ASSERT_TRUE(ui.pressCancel) << "the holder was never named";
    EXPECT_LT(SecondsUntilNamed(), 3.0);
    EXPECT_EQ(ui.waitTexts.front().rfind("DB 작업이 끝나기를 기다리고 있습니다. (2초)", 0), 0u);
    EXPECT_FALSE(ui.waitOpen);
    // The held row is in the middle of its batch: the log names it, and no row after it.
    ASSERT_GE(ui.log.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(ui.log.end() - 4, ui.log.end()),
              (std::vector<std::string>{"OS_ORDER->1 - 2024-03-14", "OS_ORDER->2 - 2024-03-14",
                                        "ERROR OS_ORDER->2", kSingleFailed}));
    ExpectSameSales(before, Capture(db));
}

}  // namespace
}  // namespace datefix_test
