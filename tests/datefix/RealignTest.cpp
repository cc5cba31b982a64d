// Multi-date realignment: each misdated sale of a range of business dates to its real day.
#include "tests/datefix/SalesFixture.h"

namespace datefix_test {
namespace {

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
