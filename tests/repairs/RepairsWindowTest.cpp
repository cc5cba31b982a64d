// The store repairs driven through the real window, offscreen: the operator selects in a list,
// clicks the page's button and answers the real message dialogs with the mouse.
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

using DialogDriver = app_test::MouseDialogDriver;
using form::ListBoxId;

int RowOf(app::TListBox* list, const std::string& bytes) {
    for (int i = 0; i < list->count(); ++i)
        if (list->BytesAt(i) == bytes) return i;
    return -1;
}

TEST(RepairsWindow, GroupCancelFromTheListWithTheQuestionAnsweredOk) {
    Store s;
    s.db.ExecAll({
        "insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn, grp_set_sw) values ('T1', " +
            db::SqlQuote(Cp("창가 1")) + ", '7', 'Y', '1')",
        "insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn, grp_set_sw) values ('T2', " +
            db::SqlQuote(Cp("창가 2")) + ", '7', 'N', '1')",
        "insert into ti_master (tbl_no, tbl_nm, grp_no, grp_mst_yn, grp_set_sw) values ('T3', "
        "'other', '8', 'Y', '1')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('T1', '1', '01')",
        "insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('T3', '1', '01')",
        "insert into ss_master (pos_no) values ('01')",
        "insert into oc_register (sal_ymd, oc_gb) values ('20240314', '1')",
    });
    DialogDriver driver({true, true});
    app::TfmMain window(s.db.Name());
    window.ShowMain();
    ASSERT_EQ(window.ListBox2->count(), 3);

    app_testing::SelectRow(window, ListBoxId::ListBox2, RowOf(window.ListBox2, Cp("창가 2")));
    ASSERT_EQ(window.State().TableNoList.at(window.ListBox2->ItemIndex()), "T2");
    QTest::mouseClick(window.Button3, Qt::LeftButton);

    ASSERT_EQ(driver.shown.size(), 2u);
    EXPECT_EQ(driver.shown[0].caption, "Information");
    EXPECT_EQ(driver.shown[0].text, "창가 2\r\n강제 그룹취소를 하시겠습니까?");
    EXPECT_EQ(driver.shown[0].buttons, "OK   Cancel   ");
    EXPECT_EQ(driver.shown[1].text, "그룹취소 되었습니다.");
    EXPECT_EQ(driver.shown[1].buttons, "OK   ");
    EXPECT_EQ(driver.unexpected, 0);
    EXPECT_TRUE(driver.errorBoxes.empty());
    EXPECT_EQ(s.db.Rows("select tbl_no, grp_no, grp_mst_yn, grp_set_sw from ti_master "
                        "order by tbl_no"),
              (Rows{{"T1", "", "", "0"}, {"T2", "", "", "0"}, {"T3", "8", "Y", "1"}}));
    EXPECT_EQ(s.db.Rows("select tbl_no, lock_sw from os_table_lock order by tbl_no"),
              (Rows{{"T1", "0"}, {"T3", "1"}}));
    EXPECT_EQ(s.db.Rows("select sal_ymd, tbl_no, pos_no from os_table_change order by tbl_no"),
              (Rows{{"20240314", "T1", "01"}, {"20240314", "T2", "01"}}));
    // The reloaded list shows what is left.
    ASSERT_EQ(window.ListBox2->count(), 1);
    EXPECT_EQ(window.ListBox2->item(0)->text().toStdString(), "other");
}

TEST(RepairsWindow, PaymentSwitchFromTheListAndRadioButton) {
    Store s;
    s.db.ExecAll({
        "insert into ss_master (pos_no) values ('01')",
        "insert into ss_master (pos_no) values ('02')",
        "insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values ('02', '001', "
        "'Y', 'Y')",
        "insert into ss_option_pos (op_pos_no, op_idx, op_set_yn, send_yn) values ('02', '002', "
        "'N', 'Y')",
    });
    DialogDriver driver({true});
    app::TfmMain window(s.db.Name());
    window.ShowMain();

    app_testing::SelectRow(window, ListBoxId::ListBox1, 1);
    QTest::mouseClick(window.RadioButton2, Qt::LeftButton);
    QTest::mouseClick(window.Button1, Qt::LeftButton);

    ASSERT_EQ(driver.shown.size(), 1u);
    EXPECT_EQ(driver.shown[0].caption, "Information");
    EXPECT_EQ(driver.shown[0].text, "02 POS 변경 완료.");
    EXPECT_EQ(s.db.Rows("select op_idx, op_set_yn, send_yn from ss_option_pos order by op_idx"),
              (Rows{{"001", "N", "N"}, {"002", "Y", "N"}}));
}

TEST(RepairsWindow, LockRemovalAnsweredCancelWritesNothing) {
    Store s;
    s.db.Exec("insert into os_table_lock (tbl_no, lock_sw, pos_no) values ('9999', '1', '11')");
    DialogDriver driver({false});
    app::TfmMain window(s.db.Name());
    window.ShowMain();
    window.PageControl1->SetActivePageIndex(2);
    const Tables before = SnapshotAll(s.db);

    QTest::mouseClick(window.Button6, Qt::LeftButton);

    ASSERT_EQ(driver.shown.size(), 1u);
    EXPECT_EQ(driver.shown[0].text, "테이블 락 제거 진행하시겠습니까?");
    EXPECT_EQ(driver.shown[0].buttons, "OK   Cancel   ");
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

}  // namespace
}  // namespace repairs_test
