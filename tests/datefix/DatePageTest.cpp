// The date correction page: mode switch, confirmation, date checks.
#include "datefix/DatePage.h"
#include "datefix/MoveSupport.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

using form::Alignment;
using form::RadioId;

TEST_F(DatePageTest, ModeSwitchRelabelsThePanelAndKeepsDatesAndLog) {
    SetPicker(ui, form::PickerId::dtChange01, "20240313");
    SetPicker(ui, form::PickerId::dtChange02, "20240316");
    ui.log = {"previous run"};

    datefix::RadioButton3Click(form, RadioId::RadioButton3);
    EXPECT_TRUE(ui.panelVisible);
    EXPECT_EQ(ui.panelCaption, "");
    EXPECT_EQ(ui.label1, "잘못되어있는 일자");
    EXPECT_EQ(ui.label2, "변경할 일자");
    EXPECT_EQ(ui.align1, Alignment::Left);
    EXPECT_EQ(ui.align2, Alignment::Left);

    datefix::RadioButton3Click(form, RadioId::RadioButton4);
    EXPECT_TRUE(ui.panelVisible);
    EXPECT_EQ(ui.panelCaption, "");
    EXPECT_EQ(ui.label1, "일자선택");
    EXPECT_EQ(ui.label2, "~");
    EXPECT_EQ(ui.align1, Alignment::Right);
    EXPECT_EQ(ui.align2, Alignment::Right);

    datefix::RadioButton3Click(form, RadioId::RadioButton3);
    EXPECT_EQ(ui.label1, "잘못되어있는 일자");
    EXPECT_EQ(ui.align2, Alignment::Left);

    EXPECT_EQ(datefix::DateText(ui.dtChange01), "20240313");
    EXPECT_EQ(datefix::DateText(ui.dtChange02), "20240316");
    EXPECT_EQ(ui.log, std::vector<std::string>{"previous run"});
    EXPECT_TRUE(ui.dialogs.empty());

    // A button with another tag hides the panel again; the labels keep their texts.
    ui.tags[RadioId::RadioButton4] = 7;
    datefix::RadioButton3Click(form, RadioId::RadioButton4);
    EXPECT_FALSE(ui.panelVisible);
    EXPECT_EQ(ui.panelCaption, "상단 옵션중 하나를 선택하세요.");
    EXPECT_EQ(ui.label1, "잘못되어있는 일자");
}

TEST_F(DatePageTest, CancelOrNoModeChangesNothing) {
    SalesSeed(db).Sale("20240313", 1, "2024-03-14 10:00:00").Register("20240313", "01").Flush();
    const SalesState before = Capture(db);

    for (bool single : {true, false}) {
        SCOPED_TRACE(single ? "single-date move" : "realignment");
        if (single)
            ChooseSingleMove("20240313", "20240314");
        else
            ChooseRealign("20240313", "20240316");
        ui.log = {"previous run", "second line"};
        ui.dialogs.clear();
        ui.Answer(form::kResultCancel);
        datefix::Button9Click(form);
        ExpectOnlyConfirmation();
        EXPECT_EQ(ui.log, (std::vector<std::string>{"previous run", "second line"}));
    }

    // Confirmed, but neither mode checked: the log is cleared and nothing runs.
    ui.checked.clear();
    ui.dialogs.clear();
    Start();
    ExpectOnlyConfirmation();
    EXPECT_TRUE(ui.log.empty());
    ExpectSameSales(before, Capture(db));
}

TEST_F(DatePageTest, BadDatesAreRefusedInBothModes) {
    SalesSeed(db).Sale("20240313", 1, "2024-03-14 10:00:00").Flush();
    const SalesState before = Capture(db);

    struct Case {
        bool single;
        const char* first;
        const char* second;
    };
    // Equal dates, and a year of five digits that does not make eight characters.
    for (const Case& c :
         {Case{true, "20240313", "20240313"}, Case{false, "20240313", "20240313"},
          Case{true, "20240313", "20240314"}, Case{false, "20240313", "20240316"}}) {
        const bool longYear = std::string(c.first) != c.second;
        SCOPED_TRACE(std::string(c.single ? "single " : "realign ") + (longYear ? "long" : "eq"));
        if (c.single)
            ChooseSingleMove(c.first, c.second);
        else
            ChooseRealign(c.first, c.second);
        if (longYear) ui.dtChange02.year = 10024;
        ui.dialogs.clear();
        Start();
        const std::vector<std::string> expected = {c.single ? kSingleStart : kRealignStart,
                                                   "날짜를 확인하세요.",
                                                   c.single ? kSingleFailed : kRealignFailed};
        EXPECT_EQ(ui.log, expected);
        ASSERT_EQ(ui.dialogs.size(), 2u);
        EXPECT_EQ(ui.dialogs[1].text, "날짜를 확인하세요.");
        EXPECT_EQ(ui.dialogs[1].kind, form::DialogKind::Warning);
        EXPECT_EQ(ui.dialogs[1].buttons, form::DialogButtons::Ok);
    }
    ExpectSameSales(before, Capture(db));
}

TEST(DateChecks, EmptyOrBlankDateAsksForADate) {
    testing_support::ScriptedWindow ui;
    EXPECT_FALSE(datefix::CheckDates(ui, " \t", "20240314"));
    EXPECT_FALSE(datefix::CheckDates(ui, "20240313", ""));
    EXPECT_EQ(ui.log, (std::vector<std::string>{"날짜를 입력하세요.", "날짜를 입력하세요."}));
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[0].kind, form::DialogKind::Warning);
    EXPECT_TRUE(datefix::CheckDates(ui, "20240314", "20240313"));
    EXPECT_EQ(ui.log.size(), 2u);
}

TEST(DateChecks, PickerValueIsFormattedAsEightDigits) {
    EXPECT_EQ(datefix::DateText({2024, 3, 4, 23, 59, 59}), "20240304");
    EXPECT_EQ(datefix::DateText({987, 12, 31, 0, 0, 0}), "09871231");
    EXPECT_EQ(datefix::Dashed("20240304"), "2024-03-04");
}

}  // namespace
}  // namespace datefix_test
