// The date correction page: mode switch, confirmation, date checks; both moves on the demo store.
#include "datefix/DatePage.h"
#include "datefix/MoveSupport.h"
#include "tests/datefix/SalesFixture.h"
#include "tests/support/DemoStore.h"

namespace datefix_test {
namespace {

using form::Alignment;
using form::RadioId;

TEST_F(DatePageTest, ModeSwitchRelabelsThePanelAndKeepsDatesAndLog) {
    SetPicker(ui, form::PickerId::dtChange01, "20240313");
    ui.log = {"previous run"};
    struct Step {
        RadioId button;
        int tag;
        bool visible;
        const char *caption, *label1, *label2;
        Alignment alignment;
    };
    for (const Step& s :
         {Step{RadioId::RadioButton3, 1, true, "", "잘못되어있는 일자", "변경할 일자",
               Alignment::Left},
          Step{RadioId::RadioButton4, 2, true, "", "일자선택", "~", Alignment::Right},
          Step{RadioId::RadioButton3, 1, true, "", "잘못되어있는 일자", "변경할 일자",
               Alignment::Left},
          // Another tag hides the panel again; the labels keep their texts.
          Step{RadioId::RadioButton4, 7, false, "상단 옵션중 하나를 선택하세요.",
               "잘못되어있는 일자", "변경할 일자", Alignment::Left}}) {
        ui.tags[s.button] = s.tag;
        datefix::RadioButton3Click(form, s.button);
        EXPECT_EQ(ui.panelVisible, s.visible);
        EXPECT_EQ(ui.panelCaption, s.caption);
        EXPECT_EQ(Lines({ui.label1, ui.label2}), Lines({s.label1, s.label2}));
        EXPECT_EQ(ui.align1, s.alignment);
        EXPECT_EQ(ui.align2, s.alignment);
    }
    EXPECT_EQ(datefix::DateText(ui.dtChange01), "20240313");
    EXPECT_EQ(ui.log, Lines{"previous run"});
    EXPECT_TRUE(ui.dialogs.empty());
}

TEST_F(DatePageTest, CancelNoModeOrBadDatesChangeNothing) {
    SalesSeed(db).Sale("20240313", 1, "2024-03-14 10:00:00").Register("20240313", "01").Flush();
    const SalesState before = Capture(db);
    for (bool single : {true, false}) {
        SCOPED_TRACE(single ? "single-date move" : "realignment");
        const Lines refused = {single ? kSingleStart : kRealignStart, "날짜를 확인하세요.",
                               single ? kSingleFailed : kRealignFailed};
        auto choose = [&](const char* first, const char* second) {
            single ? ChooseSingleMove(first, second) : ChooseRealign(first, second);
        };
        choose("20240313", "20240316");
        ui.log = {"previous run"};
        ui.dialogs.clear();
        ui.answers = {form::kResultCancel};
        datefix::Button9Click(form);
        EXPECT_EQ(Dialogs(), Lines{kConfirm});
        EXPECT_EQ(ui.log, Lines{"previous run"});
        // Equal dates, and a year of five digits that does not make eight characters.
        choose("20240313", "20240313");
        Start();
        EXPECT_EQ(ui.log, refused);
        choose("20240313", "20240316");
        ui.dtChange02.year = 10024;
        Start();
        EXPECT_EQ(ui.log, refused);
        ASSERT_EQ(ui.dialogs.size(), 2u);
        EXPECT_EQ(ui.dialogs[1].text, "날짜를 확인하세요.");
        EXPECT_EQ(ui.dialogs[1].kind, form::DialogKind::Warning);
        EXPECT_EQ(ui.dialogs[1].buttons, form::DialogButtons::Ok);
    }
    // Confirmed, but neither mode checked: the log is cleared and nothing runs.
    ui.checked.clear();
    Start();
    EXPECT_EQ(Dialogs(), Lines{kConfirm});
    EXPECT_TRUE(ui.log.empty());
    ExpectSameSales(before, Capture(db));

    // A blank date asks for one; the pickers' dates always have eight digits.
    EXPECT_FALSE(datefix::CheckDates(ui, " \t", "20240314"));
    EXPECT_FALSE(datefix::CheckDates(ui, "20240313", ""));
    EXPECT_TRUE(datefix::CheckDates(ui, "20240314", "20240313"));
    EXPECT_EQ(ui.log, Lines({"날짜를 입력하세요.", "날짜를 입력하세요."}));
    EXPECT_EQ(datefix::DateText({987, 3, 4, 23, 59, 59}), "09870304");
}

// The demo store gives both modes work once, and nothing on a second run.
TEST_F(DatePageTest, DemoStoreMovesOnceThenNothingIsLeft) {
    testing_support::LoadDemoStore(db);
    const SalesState before = Capture(db);
    ASSERT_GT(db.Count("OS_MASTER", "SAL_YMD = '20261110'"), 0);
    ChooseSingleMove("20261110", "20261111");
    Start();
    EXPECT_EQ(ui.log.back(), kSingleOk);
    const SalesState moved = AfterSingleMove(before, "20261110", "20261111", 20, true);
    ExpectSameSales(moved, Capture(db));
    ChooseRealign("20261201", "20261204");
    Start();
    EXPECT_EQ(ui.log, Lines({kRealignStart, "날짜 형식이 아닌 시간 기록 1건은 변경하지 않았습니다.",
                             kByHand, kRealignOk}));
    const SalesState after = AfterRealign(moved, "20261201", "20261204");
    ExpectSameSales(after, Capture(db));
    for (const char* day : {"20261202", "20261203", "20261204"})
        EXPECT_GT(db.Count("OS_MASTER", std::string("SAL_YMD = '") + day + "'"), 0) << day;

    Start();
    EXPECT_EQ(ui.log.back(), kRealignOk);
    ChooseSingleMove("20261110", "20261111");
    Start();
    EXPECT_EQ(ui.log, Lines({kSingleStart, kSalesOnTarget, kSingleFailed}));
    ExpectSameSales(after, Capture(db));
}

}  // namespace
}  // namespace datefix_test
