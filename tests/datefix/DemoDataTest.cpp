// The demo store gives both modes work once, and nothing on a second run.

#include "tests/datefix/SalesFixture.h"
#include "tests/support/DemoStore.h"

namespace datefix_test {
namespace {

long long RowsOn(const TestDatabase& db, const std::string& where) {
    long long rows = 0;
    for (const datefix::SingleDateTable& t : datefix::kSingleDateTables)
        rows += db.Count(t.name, where);
    return rows;
}

using DemoData = DatePageTest;

TEST_F(DemoData, SingleDateMoveOnceThenNothingLeft) {
    testing_support::LoadDemoStore(db);
    const SalesState before = Capture(db);
    ASSERT_GT(RowsOn(db, "SAL_YMD = '20261110'"), 20);

    ChooseSingleMove("20261110", "20261111");
    Start();
    EXPECT_EQ(ui.log.back(), kSingleOk);
    ExpectSameSales(AfterSingleMove(before, "20261110", "20261111", 20, true), Capture(db));
    EXPECT_EQ(RowsOn(db, "SAL_YMD = '20261110'"), 0);

    const SalesState moved = Capture(db);
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{kSingleStart, "변경하실 날짜에 매출이 존재합니다.",
                                                kSingleFailed}));
    ExpectSameSales(moved, Capture(db));
}

TEST_F(DemoData, RealignmentOnceThenNothingLeft) {
    testing_support::LoadDemoStore(db);
    const SalesState before = Capture(db);
    ASSERT_EQ(RowsOn(db, "SAL_YMD between '20261202' and '20261204'"), 0);

    ChooseRealign("20261201", "20261204");
    Start();
    EXPECT_EQ(ui.log, (std::vector<std::string>{
                          kRealignStart, "날짜 형식이 아닌 시간 기록 1건은 변경하지 않았습니다.",
                          "OC_REGISTER 수동 적용 해야 합니다.", kRealignOk}));
    const SalesState after = Capture(db);
    ExpectSameSales(AfterRealign(before, "20261201", "20261204"), after);
    for (const char* day : {"20261202", "20261203", "20261204"})
        EXPECT_GT(db.Count("OS_MASTER", std::string("SAL_YMD = '") + day + "'"), 0) << day;

    Start();
    EXPECT_EQ(ui.log.back(), kRealignOk);
    ExpectSameSales(after, Capture(db));
}

}  // namespace
}  // namespace datefix_test
