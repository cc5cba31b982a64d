// The date correction page on the scripted window: mode switch, confirmation, date checks, the
// single-date move of every row table by table, the realignment of misdated sales to their real
// days, and both moves on the demo store.
#include <set>

#include "datefix/MoveSupport.h"
#include "form/Cp949.h"
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

using SingleDateMove = DatePageTest;

TEST_F(SingleDateMove, MovesEveryTableRowByRowThenTheRegister) {
    SalesSeed(db)
        .Sale("20240313", 1, "2024-03-13 10:15:00")
        .Sale("20240313", 2, "2024-03-13 23:50:07")
        .Sale("20240312", 1, "2024-03-12 12:00:00")             // another day: stays
        .Row("OS_PAY", "20240314", "9", "2024-03-14 08:00:00")  // does not block the move
        .Register("20240313", "01")
        .Register("20240312", "01")
        .Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240314");
    Start();
    Lines expected = {kSingleStart};
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        for (const char* key : {"1", "2"})
            expected.push_back(std::string(t.logPrefix) + key + " - 2024-03-14");
    expected.insert(expected.end(), {kRegisterHint, kSingleOk});
    EXPECT_EQ(ui.log, expected);
    EXPECT_EQ(Dialogs(), Lines({kConfirm, "완료."}));
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), Capture(db));
    EXPECT_EQ(db.Scalar("select UPD_DT from CS_BALANCE where SAL_SEQ = 2"), "2024-03-14 23:50:07");
    // The stamped tables, named here rather than taken from the tool's list.
    for (const char* table : {"OS_ORDER", "OS_ORDER_H", "OS_ORDER_SETITEM", "OS_MASTER", "OS_PAY",
                              "CS_MASTER", "CS_BALANCE", "MS_POINT_DETAIL", "OS_ASSOCIATES",
                              "OS_FISHING_GAME", "OS_MOBILE_PAY", "OS_TAXPAY", "OS_ORDER_TBL_SEQ"})
        EXPECT_EQ(db.Count(table, std::string(table) == "OS_ORDER_TBL_SEQ"
                                      ? "REG_DT starting with '2024-03-14 '"
                                      : "UPD_DT starting with '2024-03-14 '"),
                  std::string(table) == "OS_PAY" ? 3 : 2)
            << table;

    // The target now has sales: OS_MASTER rows or OS_Order rows, either one refuses the move.
    for (const auto& [cleared, added] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"OS_MASTER", ""}, {"OS_ORDER", "OS_MASTER"}}) {
        if (!cleared.empty()) db.Exec("delete from " + cleared + " where SAL_YMD = '20240314'");
        if (!added.empty()) SalesSeed(db).Row(added, "20240314", "8", std::nullopt).Flush();
        const SalesState kept = Capture(db);
        Start();
        EXPECT_EQ(ui.log, Lines({kSingleStart, kSalesOnTarget, kSingleFailed})) << cleared;
        EXPECT_EQ(Dialogs(), Lines{kConfirm});
        ExpectSameSales(kept, Capture(db));
    }
}

// Every row keeps its own time of day, also to an earlier date, and gets its own log line.
TEST_F(SingleDateMove, EveryRowKeepsItsOwnTimeOfDay) {
    SalesSeed(db)
        .Row("OS_ORDER", "20240313", "1", "2024-03-13 07:00:00", 1)
        .Row("OS_ORDER", "20240313", "1", "2024-03-13 07:00:30", 1)  // same key and table seq
        .Row("OS_ORDER", "20240313", "1", "2024-03-13 07:01:00", 2)
        .Row("OS_PAY", "20240313", "1", "2024-03-13 09:00:01")
        .Row("OS_PAY", "20240313", "1", "2024-03-13 09:05:02")
        .Row("OS_MASTER", "20240313", "2", std::nullopt)
        .Row("OS_MASTER", "20240313", "3", "2024-03")
        .Row("OS_MASTER", "20240313", "4", "2024-03-13")
        .Row("OS_MASTER", "20240313", "5", "2024-03-13 12:00:00.123456")
        .Row("OS_MASTER", "20240313", "6", "2024-03-14 00:05:00")  // just after midnight
        .Row("OS_ORDER_TBL_SEQ", "20240313", "1", "2024-03-13 11:11:11")
        .Row("CS_MASTER", "20240313", form::Utf8ToCp949("영수증'7"), "2024-03-13 13:13:13")
        .Row("OS_LSTICKET_APV_HEAD", "20240313", "4", std::nullopt)
        .Sale("20240302", 4, "2024-03-02 10:00:00")  // the day after the target: stays
        .Register("20240313", "01")
        .Register("20240313", "02")
        .Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240301");
    Start();
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240301", 20, true), Capture(db));
    EXPECT_EQ(db.Scalar("select UPD_DT from OS_MASTER where SAL_SEQ = 5"), "2024-03-01 12:00:00");
    EXPECT_EQ(db.Count("OC_REGISTER", "SAL_YMD = '20240301'"), 2);
    EXPECT_EQ(ui.log, Lines({kSingleStart, "OS_ORDER->1 - 2024-03-01", "OS_ORDER->1 - 2024-03-01",
                             "OS_ORDER->1 - 2024-03-01", "OS_MASTER->2 - 2024-03-01",
                             "OS_MASTER->3 - 2024-03-01", "OS_MASTER->4 - 2024-03-01",
                             "OS_MASTER->5 - 2024-03-01", "OS_MASTER->6 - 2024-03-01",
                             "OS_PAY->1 - 2024-03-01", "OS_PAY->1 - 2024-03-01",
                             "os_order_tbl_seq->1 - 2024-03-01", "cs_master->영수증'7 - 2024-03-01",
                             "OS_LSTICKET_APV_HEAD->4 - 2024-03-01", kRegisterHint, kSingleOk}));
}

// More rows than one batch takes are each moved and logged once; a lone register moves too.
TEST_F(SingleDateMove, ATableLargerThanOneBatchAndADayWithOnlyARegister) {
    db.Exec(
        "execute block as declare i integer = 1; begin while (i <= 3000) do begin "
        "insert into OS_PAY_INFO (SAL_YMD, SAL_SEQ) values ('20240313', :i); i = i + 1; end end");
    SalesSeed(db).Register("20240320", "01").Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240314");
    Start();
    ASSERT_EQ(ui.log.back(), kSingleOk);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), Capture(db));
    std::set<std::string> logged(ui.log.begin() + 1, ui.log.end() - 2);
    EXPECT_EQ(ui.log.size(), 3000u + 3);
    EXPECT_EQ(logged.size(), 3000u);
    EXPECT_EQ(logged.count("OS_PAY_INFO->3000 - 2024-03-14"), 1u);

    ChooseSingleMove("20240320", "20240321");
    Start();
    EXPECT_EQ(ui.log, Lines({kSingleStart, kRegisterHint, kSingleOk}));
    EXPECT_EQ(db.Count("OC_REGISTER", "SAL_YMD = '20240321'"), 1);
}

using Realign = DatePageTest;

// Business date 20240313 was never closed and the POS sold until the 16th; a dependent row follows
// only a misdated sale of its own number.
TEST_F(Realign, MovesEachSaleToTheDayItWasMade) {
    SalesSeed(db)
        .Sale("20240312", 1, "2024-03-12 18:00:00")         // an earlier, closed day
        .Sale("20240313", 1, "2024-03-13 10:00:00.250")     // really made on the 13th
        .Sale("20240313", 2, "2024-03-14 11:00:00")         // made on the 14th
        .Sale("20240313", 3, "2024-03-15 12:30:00.999999")  // 15th, stamp longer than 19
        .Sale("20240313", 4, "2024-03-16 23:59:50")         // 16th, paid after midnight:
        .Row("OS_PAY", "20240313", "4", "2024-03-17 00:00:05")
        .Sale("20240313", 5, "2024-03-20 09:00:00")         // made after the range
        .Sale("20240325", 6, "2024-03-26 10:00:00")         // misdated, outside the range
        .Row("OS_PAY_INFO", "20240313", "7", std::nullopt)  // no sale at all
        .Row("OS_ETC_INWON", "20240313", "7", std::nullopt)
        .Row("OS_MASTER", "20240313", "9", std::nullopt)  // a sale without a stamp
        .Row("OS_INWON_DETAIL", "20240313", "9", std::nullopt)
        .Register("20240313", "01")
        .Flush();
    const SalesState before = Capture(db);

    ChooseRealign("20240313", "20240316");
    Start();
    EXPECT_EQ(ui.log, Lines({kRealignStart, kByHand, kRealignOk}));
    EXPECT_EQ(Dialogs(), Lines({kConfirm, "완료."}));
    ExpectSameSales(AfterRealign(before, "20240313", "20240316"), Capture(db));
    // Every table of sale 3 now carries the 15th, the dependent ones through OS_MASTER.
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables) {
        const std::string key = std::string(t.key) + " = '3'";
        EXPECT_EQ(db.Count(t.name, key + " and SAL_YMD = '20240315'"), 1) << t.name;
        const std::string stamp = t.stamp ? t.stamp : "'2024-03-15 12:30:00'";
        EXPECT_EQ(db.Scalar("select " + stamp + " from " + t.name + " where " + key),
                  "2024-03-15 12:30:00");
    }
    EXPECT_EQ(db.Scalar("select UPD_DT from OS_MASTER where SAL_SEQ = 1 and SAL_YMD = '20240313'"),
              "2024-03-13 10:00:00.250");
    // The payment goes to the day of its own stamp; the sale stays on the day it was made.
    EXPECT_EQ(db.Count("OS_PAY", "SAL_SEQ = 4 and SAL_YMD in ('20240316', '20240317')"), 2);
    EXPECT_EQ(db.Count("OS_LSTICKET_APV_DETAIL", "SAL_SEQ = 5 and SAL_YMD = '20240320'"), 1);
    for (const char* table : {"OS_PAY_INFO", "OS_ETC_INWON", "OS_INWON_DETAIL"})
        EXPECT_EQ(db.Count(table, "SAL_SEQ in (1, 7, 9) and SAL_YMD = '20240313'"), 2) << table;
    EXPECT_EQ(db.Count("OC_REGISTER", "SAL_YMD = '20240313'"), 1);

    // A second run finds nothing left to move; so does an empty range.
    const SalesState realigned = Capture(db);
    for (auto [from, to] : {std::pair{"20240313", "20240316"}, std::pair{"20240316", "20240313"}}) {
        ChooseRealign(from, to);
        Start();
        EXPECT_EQ(ui.log, Lines({kRealignStart, kByHand, kRealignOk}));
        ExpectSameSales(realigned, Capture(db));
    }
}

// Every real day of the span, also after the range, must be free of sales; two sales under one
// key stop the first statement. Param: sale 2's stamp (or none), sale 1's added OS_MASTER row
// (date, stamp), the line logged.
struct Refused {
    const char* secondStamp;
    const char* added;
    const char* addedStamp;
    const char* line;
};

class RealignRefused : public DatePageTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(RealignRefused, ChangesNothing) {
    const Refused& p = GetParam();
    SalesSeed seed(db);
    seed.Sale("20240313", 1, "2024-03-14 10:00:00").Row("OS_MASTER", p.added, "1", p.addedStamp);
    if (p.secondStamp) seed.Sale("20240313", 2, p.secondStamp);
    seed.Flush();
    const SalesState before = Capture(db);
    ChooseRealign("20240313", "20240316");
    Start();
    EXPECT_EQ(ui.log, Lines({kRealignStart, p.line, kRealignFailed}));
    EXPECT_EQ(Dialogs(), Lines{kConfirm});
    ExpectSameSales(before, Capture(db));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Realign, RealignRefused, ::testing::Values(
    Refused{"2024-03-16 10:00:00", "20240315", "2024-03-15 08:00:00", kSalesOnTarget},
    Refused{"2024-03-20 10:00:00", "20240320", "2024-03-20 08:00:00", kSalesOnTarget},
    Refused{nullptr, "20240313", "2024-03-15 10:00:00", "ERROR os_pay_info"}));
// clang-format on

// Only stamps that begin with a date YYYY-MM-DD move a row; the others stay and are counted.
TEST_F(Realign, StampsThatAreNoDateStayAndAreCounted) {
    SalesSeed(db)
        .Sale("20240313", 1, "2024-03-14 10:00:00")
        .Sale("20240313", 2, "2024/03/12 09:00:00")  // 13 stamped rows, dependents with them
        .Row("OS_PAY", "20240313", "1", "2024/03/14 10:05:00")
        .Row("OS_ORDER", "20240313", "1", "          ")
        .Row("OS_ORDER_H", "20240313", "1", "2024-3-14 10:00:00")
        .Row("CS_BALANCE", "20240313", "1", std::nullopt)                // not counted
        .Row("OS_TAXPAY", "20240312", "1", "2024/03/14 10:00:00")        // outside the range
        .Row("OS_TAXPAY", "20240313", "1", "20240313-------bad")         // business date as stamp
        .Row("OS_MOBILE_PAY", "20240313", "1", "2024-13-45 10:00:00")    // no such month
        .Row("OS_FISHING_GAME", "20240313", "1", "2024-13-05 10:00:00")  // no such month, a day
        .Flush();
    const SalesState before = Capture(db);
    ChooseRealign("20240313", "20240316");
    Start();
    EXPECT_EQ(ui.log,
              Lines({kRealignStart, "날짜 형식이 아닌 시간 기록 18건은 변경하지 않았습니다.",
                     kByHand, kRealignOk}));
    ExpectSameSales(AfterRealign(before, "20240313", "20240316"), Capture(db));
    EXPECT_EQ(db.Count("OS_MASTER", "SAL_YMD = '20240314'"), 1);
}

}  // namespace
}  // namespace datefix_test
