// What only the real window does for the repairs, offscreen: the lists filled at start, a row
// selected and a radio button checked with the mouse, each page's button running its repair, and
// the real message dialogs with their kinds and buttons, answered with the mouse.
#include <QTest>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "db/SqlQuote.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/MouseDialogDriver.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::ListBoxId;

TEST(RepairsWindow, ListsButtonsAndDialogs) {
    Store s;
    const std::string insert = "insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn) values ";
    s.db.ExecAll({
        insert + "('T1', " + db::SqlQuote(Cp("창가 1")) + ", '7', 'Y')",
        insert + "('T2', " + db::SqlQuote(Cp("창가 2")) + ", '7', 'N')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('9999', '1', '11')",
        "insert into ss_master (pos_no) values ('01')",
        "insert into ss_master (pos_no) values ('02')",
        "insert into ss_option_pos (op_pos_no, op_idx, op_set_yn) values ('02', '001', 'Y')",
        "insert into ss_option_pos (op_pos_no, op_idx, op_set_yn) values ('02', '002', 'N')",
    });
    app_test::MouseDialogDriver driver({true, true, true, false});
    app::TfmMain window(s.db.Name());
    window.ShowMain();
    ASSERT_EQ(window.ListBox1->count(), 2);
    ASSERT_EQ(window.ListBox2->count(), 2);

    app_testing::SelectRow(window, ListBoxId::ListBox1, 1);
    QTest::mouseClick(window.RadioButton2, Qt::LeftButton);
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    app_testing::SelectRow(window, ListBoxId::ListBox2, 0);
    ASSERT_EQ(window.State().TableNoList.at(window.ListBox2->ItemIndex()), "T2");
    QTest::mouseClick(window.Button3, Qt::LeftButton);
    window.PageControl1->SetActivePageIndex(2);
    const Tables before = SnapshotAll(s.db);
    QTest::mouseClick(window.Button6, Qt::LeftButton);

    std::vector<std::string> shown;
    for (const auto& d : driver.shown) shown.push_back(d.caption + "|" + d.text + "|" + d.buttons);
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "Information|02 POS 변경 완료.|OK   ",
                         "Information|창가 2\r\n강제 그룹취소를 하시겠습니까?|OK   Cancel   ",
                         "Information|그룹취소 되었습니다.|OK   ",
                         "Information|테이블 락 제거 진행하시겠습니까?|OK   Cancel   "}));
    EXPECT_EQ(driver.unexpected, 0);
    EXPECT_TRUE(driver.errorBoxes.empty());
    EXPECT_EQ(s.db.Rows("select op_idx, op_set_yn from ss_option_pos order by op_idx"),
              (Rows{{"001", "N"}, {"002", "Y"}}));
    EXPECT_EQ(s.db.Count("ti_master", "grp_no <> ''"), 0);
    EXPECT_EQ(Changed(before, SnapshotAll(s.db)), Names{});
    EXPECT_EQ(window.ListBox2->count(), 0);  // reloaded
}

}  // namespace
}  // namespace repairs_test
