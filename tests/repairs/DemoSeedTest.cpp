#include <string>

#include "repairs/BusinessDate.h"
#include "repairs/GroupCancel.h"
#include "repairs/KioskKeyMap.h"
#include "repairs/PaymentMode.h"
#include "repairs/PrintSettings.h"
#include "repairs/TableLocks.h"
#include "tests/repairs/RepairTestSupport.h"
#include "tests/support/DemoStore.h"

namespace repairs_test {
namespace {

// Each repair on the demo store: the first run does visible work, a second run changes nothing.
TEST(DemoSeed, EveryRepairFindsWorkOnceAndNothingOnASecondRun) {
    Store s;
    testing_support::LoadDemoStore(s.db);
    s.Connect();
    repairs::LoadPosList(s.form);
    repairs::LoadGroupTables(s.form);
    ASSERT_TRUE(s.window.dialogs.empty());
    auto twice = [&](const char* what, auto&& run) {
        const Tables before = SnapshotAll(s.db);
        run();
        const Tables once = SnapshotAll(s.db);
        EXPECT_NE(before, once) << what << " found nothing to do on the demo store";
        run();
        EXPECT_EQ(once, SnapshotAll(s.db)) << what << " changed more on its second run";
    };

    // POS 02 was left with both payment options on.
    s.window.selected1 = 1;
    ASSERT_EQ(s.window.listBox1.at(1), "02");
    s.window.checked[form::RadioId::RadioButton1] = true;
    twice("payment switch", [&] { repairs::Button1Click(s.form); });
    EXPECT_EQ(s.window.DialogTexts().back(), "02 POS 변경 완료.");

    repairs::LoadBusinessDate(s.form);
    EXPECT_EQ(s.form.BusinessDate, "20261201");
    // The stuck party group, found through hall 4; the second run picks whatever is listed.
    twice("group cancel", [&] {
        s.window.selected2 = 0;
        for (size_t i = 0; i < s.form.TableNoList.size(); ++i)
            if (s.form.TableNoList[i] == "104") s.window.selected2 = static_cast<int>(i);
        repairs::Button3Click(s.form);
    });
    EXPECT_EQ(s.db.Count("ti_master", "grp_no = '103'"), 0);
    EXPECT_EQ(s.db.Count("os_table_change", "sal_ymd = '20261201'"), 3 * 5);

    twice("table locks", [&] { repairs::Button6Click(s.form); });
    EXPECT_EQ(s.db.Count("os_table_lock", "lock_sw <> '0' or tbl_no = '9999'"), 0);

    // A routing row without a product code must not hide the products that have none.
    ASSERT_EQ(s.db.Count("ss_device_link", "prodcd is null"), 1);
    twice("print settings", [&] { repairs::Button7Click(s.form); });
    EXPECT_EQ(s.db.Count("pi_master p",
                         "not exists (select 1 from ss_device_link d where d.prodcd = p.prod_cd)"),
              0);

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
    twice("kiosk key map", [&] { repairs::Button8Click(s.form); });
    EXPECT_EQ(s.db.Rows(products), keys);
    EXPECT_EQ(s.db.Count("pi_kiosk_c_set", "kiosk_set_type in (10, 11)"), setKeys - 3);

    for (const std::string& text : s.window.DialogTexts())
        EXPECT_EQ(text.find("실패"), std::string::npos) << text;
}

}  // namespace
}  // namespace repairs_test
