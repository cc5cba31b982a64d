// Single-date move: every row of the wrong date, table by table, to the target date.
#include <set>

#include "form/Cp949.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

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

}  // namespace
}  // namespace datefix_test
