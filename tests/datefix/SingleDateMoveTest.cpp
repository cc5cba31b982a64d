// Single-date move: every row of the wrong date, table by table, to the target date.
#include <set>

#include "form/Cp949.h"
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

constexpr const char* kRegisterHint = "OC_REGISTER 과 OC_DAY_PASSMONEY 는 확인 후 설정";
constexpr const char* kSalesOnTarget = "변경하실 날짜에 매출이 존재합니다.";

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

    std::vector<std::string> expected = {kSingleStart};
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        for (const char* key : {"1", "2"})
            expected.push_back(std::string(t.logPrefix) + key + " - 2024-03-14");
    expected.push_back(kRegisterHint);
    expected.push_back(kSingleOk);
    EXPECT_EQ(ui.log, expected);
    ExpectConfirmedThenDone();
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), Capture(db));
    EXPECT_EQ(db.Scalar("select UPD_DT from CS_BALANCE where SAL_SEQ = 2"), "2024-03-14 23:50:07");

    // Run again: the target date now has sales.
    const SalesState moved = Capture(db);
    ui.dialogs.clear();
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{kSingleStart, kSalesOnTarget, kSingleFailed}));
    ExpectOnlyConfirmation();
    ExpectSameSales(moved, Capture(db));
}

TEST_F(SingleDateMove, EveryRowKeepsItsOwnTimeOfDay) {
    const std::string bill = form::Utf8ToCp949("영수증'7");
    SalesSeed(db)
        .Row("OS_ORDER", "20240313", "1", "2024-03-13 07:00:00", 1)
        .Row("OS_ORDER", "20240313", "1", "2024-03-13 07:00:30", 1)  // same key and table seq
        .Row("OS_ORDER", "20240313", "1", "2024-03-13 07:01:00", 2)
        .Row("OS_PAY", "20240313", "1", "2024-03-13 09:00:01")  // shared key
        .Row("OS_PAY", "20240313", "1", "2024-03-13 09:05:02")
        .Row("OS_MASTER", "20240313", "2", std::nullopt)
        .Row("OS_MASTER", "20240313", "3", "2024-03")
        .Row("OS_MASTER", "20240313", "4", "2024-03-13")
        .Row("OS_MASTER", "20240313", "5", "2024-03-13 12:00:00.123456")
        .Row("OS_MASTER", "20240313", "6", "2024-03-14 00:05:00")  // just after midnight
        .Row("OS_ORDER_TBL_SEQ", "20240313", "1", "2024-03-13 11:11:11")
        .Row("CS_MASTER", "20240313", bill, "2024-03-13 13:13:13")
        .Row("CS_BALANCE", "20240313", "1", "2024-03-13 08:00:00")
        .Row("CS_BALANCE", "20240313", "2", "2024-03-13 21:00:00")
        .Row("OS_TAXPAY", "20240313", "2", "2024-03-13 22:22:22")
        .Row("OS_TAXPAY", "20240313", "3", std::nullopt)
        .Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240320");
    Start();
    ASSERT_EQ(ui.log.back(), kSingleOk);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240320", 20, true), Capture(db));

    auto stamps = [&](const std::string& select) {
        std::vector<std::string> values;
        for (const auto& row : db.Rows(select)) values.push_back(row.at(0));
        std::sort(values.begin(), values.end());
        return values;
    };
    EXPECT_EQ(stamps("select UPD_DT from OS_ORDER"),
              (std::vector<std::string>{"2024-03-20 07:00:00", "2024-03-20 07:00:30",
                                        "2024-03-20 07:01:00"}));
    EXPECT_EQ(stamps("select UPD_DT from OS_PAY"),
              (std::vector<std::string>{"2024-03-20 09:00:01", "2024-03-20 09:05:02"}));
    EXPECT_EQ(stamps("select SAL_SEQ || '=' || UPD_DT from OS_MASTER"),
              (std::vector<std::string>{"2=2024-03-20", "3=2024-03-20", "4=2024-03-20",
                                        "5=2024-03-20 12:00:00", "6=2024-03-20 00:05:00"}));
    EXPECT_EQ(db.Scalar("select UPD_DT from OS_MASTER where SAL_SEQ = 2"), "2024-03-20");
    EXPECT_EQ(db.Scalar("select REG_DT from OS_ORDER_TBL_SEQ"), "2024-03-20 11:11:11");
    EXPECT_EQ(db.Scalar("select UPD_DT from CS_MASTER"), "2024-03-20 13:13:13");
    EXPECT_EQ(stamps("select UPD_DT from CS_BALANCE"),
              (std::vector<std::string>{"2024-03-20 08:00:00", "2024-03-20 21:00:00"}));
    EXPECT_EQ(stamps("select UPD_DT from OS_TAXPAY"),
              (std::vector<std::string>{"2024-03-20", "2024-03-20 22:22:22"}));

    // Each row read gets its line, shared keys too; the bill number is shown as text.
    const std::vector<std::string> expected = {kSingleStart,
                                               "OS_ORDER->1 - 2024-03-20",
                                               "OS_ORDER->1 - 2024-03-20",
                                               "OS_ORDER->1 - 2024-03-20",
                                               "OS_MASTER->2 - 2024-03-20",
                                               "OS_MASTER->3 - 2024-03-20",
                                               "OS_MASTER->4 - 2024-03-20",
                                               "OS_MASTER->5 - 2024-03-20",
                                               "OS_MASTER->6 - 2024-03-20",
                                               "OS_PAY->1 - 2024-03-20",
                                               "OS_PAY->1 - 2024-03-20",
                                               "os_order_tbl_seq->1 - 2024-03-20",
                                               "cs_master->영수증'7 - 2024-03-20",
                                               "CS_BALANCE->1 - 2024-03-20",
                                               "CS_BALANCE->2 - 2024-03-20",
                                               "OS_TAXPAY->2 - 2024-03-20",
                                               "OS_TAXPAY->3 - 2024-03-20",
                                               kRegisterHint,
                                               kSingleOk};
    EXPECT_EQ(ui.log, expected);
}

TEST_F(SingleDateMove, TargetBeforeTheWrongDateAndTablesWithoutRows) {
    SalesSeed(db)
        .Row("OS_MASTER", "20240313", "4", "2024-03-13 10:00:00")
        .Row("OS_LSTICKET_APV_HEAD", "20240313", "4", std::nullopt)
        .Sale("20240312", 4, "2024-03-12 10:00:00")  // the day after the target: stays
        .Register("20240313", "01")
        .Register("20240313", "02")
        .Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240301");
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{kSingleStart, "OS_MASTER->4 - 2024-03-01",
                                                "OS_LSTICKET_APV_HEAD->4 - 2024-03-01",
                                                kRegisterHint, kSingleOk}));
    ExpectConfirmedThenDone();
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240301", 20, true), Capture(db));
    EXPECT_EQ(db.Count("OC_REGISTER", "SAL_YMD = '20240301'"), 2);
}

// More rows in one table than one batch takes: each row is moved once, and logged once.
TEST_F(SingleDateMove, ATableLargerThanOneBatchMovesEveryRow) {
    db.Exec(
        "execute block as declare i integer = 1; begin while (i <= 3000) do begin "
        "insert into OS_PAY_INFO (SAL_YMD, SAL_SEQ) values ('20240313', :i); i = i + 1; end end");
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240314");
    Start();
    ASSERT_EQ(ui.log.back(), kSingleOk);
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), Capture(db));
    std::set<std::string> logged(ui.log.begin() + 1, ui.log.end() - 2);
    EXPECT_EQ(ui.log.size(), 3000u + 3);
    EXPECT_EQ(logged.size(), 3000u);
    EXPECT_EQ(logged.count("OS_PAY_INFO->3000 - 2024-03-14"), 1u);
}

TEST_F(SingleDateMove, RegisterMovesEvenWithoutSalesRows) {
    SalesSeed(db).Register("20240313", "01").Register("20240315", "01").Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240314");
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{kSingleStart, kRegisterHint, kSingleOk}));
    ExpectSameSales(AfterSingleMove(before, "20240313", "20240314", 20, true), Capture(db));
    EXPECT_EQ(db.Count("OC_REGISTER", "SAL_YMD = '20240314'"), 1);
}

// A sale on the target date is an OS_MASTER row or OS_Order rows; either one refuses the move.
class TargetWithSales : public DatePageTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TargetWithSales, RefusesWithoutTouchingAnything) {
    SalesSeed(db)
        .Sale("20240313", 1, "2024-03-13 10:00:00")
        .Row(GetParam(), "20240314", "8", "2024-03-14 09:00:00")
        .Register("20240313", "01")
        .Flush();
    const SalesState before = Capture(db);

    ChooseSingleMove("20240313", "20240314");
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{kSingleStart, kSalesOnTarget, kSingleFailed}));
    ExpectOnlyConfirmation();
    ExpectSameSales(before, Capture(db));
}

INSTANTIATE_TEST_SUITE_P(SingleDateMove, TargetWithSales,
                         ::testing::Values("OS_ORDER", "OS_MASTER"));

}  // namespace
}  // namespace datefix_test
