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
// listed rows changes nothing.
TEST(DemoSeed, EveryRepairFindsWorkOnceAndNothingOnASecondRun) {
    Store s;
    testing_support::LoadDemoStore(s.db);
    s.Connect();
    repairs::LoadPosList(s.form);
    repairs::LoadGroupTables(s.form);
    // POS 02 was left with both payment options on; the stuck party group is found by hall 4.
    ASSERT_EQ(s.window.listBox1.at(1), "02");
    s.window.selected1 = 1;
    s.window.checked[form::RadioId::RadioButton1] = true;
    const auto& tables = s.form.TableNoList;
    const int hall4 = std::find(tables.begin(), tables.end(), "104") - tables.begin();
    ASSERT_LT(hall4, static_cast<int>(tables.size()));
    // Five duplicated products of at most three keys, one of them without an image, one with an
    // eight-digit code: one run leaves each a single key; three orphaned set keys go with them.
    const std::string products =
        "select prod_cd, count(*) from pi_kiosk_c_set where kiosk_set_type = 1 group by prod_cd";
    Rows keys = s.db.Rows(products);
    EXPECT_EQ(s.db.Count("pi_kiosk_c_set", "kiosk_set_type = 1 and prod_cd = '10000011'"), 2);
    int duplicated = 0;
    for (auto& row : keys) duplicated += row[1] != "1", row[1] = "1";
    EXPECT_EQ(duplicated, 5);
    const long long setKeys = s.db.Count("pi_kiosk_c_set", "kiosk_set_type in (10, 11)");
    // A routing row without a product code must not hide the products that have none.
    ASSERT_EQ(s.db.Count("ss_device_link", "prodcd is null"), 1);

    const std::pair<const char*, void (*)(form::FormState&)> repairs[] = {
        {"payment switch", repairs::Button1Click},
        {"group cancel", repairs::Button3Click},
        {"table locks", repairs::Button6Click},
        {"print settings", repairs::Button7Click},
        {"kiosk key map", repairs::Button8Click}};
    for (const auto& [what, run] : repairs) {
        const Tables before = SnapshotAll(s.db);
        s.window.selected2 = hall4;
        run(s.form);
        const Tables once = SnapshotAll(s.db);
        EXPECT_NE(before, once) << what << " found nothing to do on the demo store";
        s.window.selected2 = 0;
        run(s.form);
        EXPECT_EQ(once, SnapshotAll(s.db)) << what << " changed more on its second run";
    }
    EXPECT_EQ(s.window.DialogTexts().at(0), "02 POS 변경 완료.");
    EXPECT_EQ(s.form.BusinessDate, "20261201");
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = '103'"), 0);
    EXPECT_EQ(s.db.Count("os_table_change", "sal_ymd = '20261201'"), 3 * 5);
    EXPECT_EQ(s.db.Count("os_table_lock", "lock_sw <> '0' or tbl_no = '9999'"), 0);
    EXPECT_EQ(s.db.Count("pi_master p",
                         "not exists (select 1 from ss_device_link d where d.prodcd = p.prod_cd)"),
              0);
    EXPECT_EQ(s.db.Rows(products), keys);
    EXPECT_EQ(s.db.Count("pi_kiosk_c_set", "kiosk_set_type in (10, 11)"), setKeys - 3);
    for (const std::string& text : s.window.DialogTexts())
        EXPECT_EQ(text.find("실패"), std::string::npos) << text;
}

}  // namespace
}  // namespace repairs_test
