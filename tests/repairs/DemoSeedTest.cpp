#include <algorithm>
#include <string>
#include <utility>

#include "repairs/GroupCancel.h"
#include "repairs/KioskKeyMap.h"
#include "repairs/PaymentMode.h"
#include "repairs/PrintSettings.h"
#include "repairs/TableLocks.h"
#include "tests/repairs/RepairTestSupport.h"
#include "tests/support/DemoStore.h"

namespace repairs_test {
namespace {

// Each repair on the demo store: the first run does visible work, a second run on the first
// listed rows changes nothing. POS 02 was left with both payment options on; the stuck party
// group is found through hall 4.
TEST(DemoSeed, EveryRepairFindsWorkOnceAndNothingOnASecondRun) {
    Store s;
    testing_support::LoadDemoStore(s.db);
    s.Connect();
    repairs::LoadPosList(s.form);
    repairs::LoadGroupTables(s.form);
    ASSERT_EQ(s.window.listBox1.at(1), "02");
    s.window.selected1 = 1;
    s.window.checked[form::RadioId::RadioButton1] = true;
    const auto& tables = s.form.TableNoList;
    const int hall4 = std::find(tables.begin(), tables.end(), "104") - tables.begin();
    ASSERT_LT(hall4, static_cast<int>(tables.size()));
    for (auto run : {repairs::Button1Click, repairs::Button3Click, repairs::Button6Click,
                     repairs::Button7Click, repairs::Button8Click}) {
        const Tables before = SnapshotAll(s.db);
        s.window.selected2 = hall4;
        run(s.form);
        const Tables once = SnapshotAll(s.db);
        EXPECT_NE(Changed(before, once), Names{}) << s.window.DialogTexts().back();
        s.window.selected2 = 0;
        run(s.form);
        EXPECT_EQ(Changed(once, SnapshotAll(s.db)), Names{}) << s.window.DialogTexts().back();
    }
    EXPECT_EQ(s.form.BusinessDate, "20261201");
    EXPECT_EQ(s.db.Count("os_table_change", "sal_ymd = '20261201'"), 3 * 5);
    for (const std::string& text : s.window.DialogTexts())
        EXPECT_EQ(text.find("실패"), std::string::npos) << text;
}

}  // namespace
}  // namespace repairs_test
