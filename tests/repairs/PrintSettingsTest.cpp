#include <string>

#include <gtest/gtest.h>

#include "repairs/PrintSettings.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;

const ExpectedDialog kAsk{"상품별인쇄설정 누락시 처리 진행하시겠습니까?", DialogKind::Information,
                          DialogButtons::OkCancel};
const ExpectedDialog kDone{"상품별인쇄설정 누락시 처리 완료", DialogKind::Information,
                           DialogButtons::Ok};

// P1 and P3 have their settings; P2, P4 and a Korean-coded product have none.
void SeedProducts(const testing_support::TestDatabase& db) {
    for (const std::string& code :
         {std::string("P1"), std::string("P2"), std::string("P3"), std::string("P4"), Cp("김밥")})
        db.Exec("insert into pi_master (prod_cd, prod_nm) values ('" + code + "', 'x')");
    db.Exec(
        "insert into ss_device_link (prodcd, device_no, print_yn, send_yn) "
        "values ('P1', '02', 'N', 'Y')");
    db.Exec(
        "insert into ss_device_link (prodcd, device_no, print_yn, send_yn) "
        "values ('P3', '03', 'Y', 'Y')");
    db.Exec(
        "insert into ss_device_link (prodcd, device_no, print_yn, send_yn) "
        "values ('P3', '04', 'Y', 'Y')");
}

TEST(PrintSettings, AddsOneRowPerMissingProductAndNothingOnASecondRun) {
    Store s;
    SeedProducts(s.db);
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button7Click(s.form);

    ExpectDialogs(s.window, {kAsk, kDone});
    // New rows carry the product and send_yn 'N'; the rest comes from the column defaults.
    EXPECT_EQ(s.db.Snapshot("SS_DEVICE_LINK"), (Rows{{"P1", "02", "N", "Y"},
                                                     {"P2", "01", "Y", "N"},
                                                     {"P3", "03", "Y", "Y"},
                                                     {"P3", "04", "Y", "Y"},
                                                     {"P4", "01", "Y", "N"},
                                                     {Cp("김밥"), "01", "Y", "N"}}));
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {"SS_DEVICE_LINK"});

    const Tables once = SnapshotAll(s.db);
    repairs::Button7Click(s.form);
    ExpectDialogs(s.window, {kAsk, kDone, kAsk, kDone});
    ExpectUnchangedExcept(once, SnapshotAll(s.db), {});
}

TEST(PrintSettings, SettingRowWithoutProductCodeDoesNotHideTheMissingOnes) {
    Store s;
    SeedProducts(s.db);
    s.db.Exec("insert into ss_device_link (prodcd, device_no) values (null, '09')");
    // Not connected yet: the repair connects on its own.

    repairs::Button7Click(s.form);

    ExpectDialogs(s.window, {kAsk, kDone});
    EXPECT_EQ(s.db.Rows("select prodcd, send_yn from ss_device_link where send_yn = 'N' "
                        "order by prodcd"),
              (Rows{{"P2", "N"}, {"P4", "N"}, {Cp("김밥"), "N"}}));
    EXPECT_EQ(s.db.Count("ss_device_link", "prodcd is null"), 1);
}

TEST(PrintSettings, AnsweringCancelWritesNothing) {
    Store s;
    SeedProducts(s.db);
    const Tables before = SnapshotAll(s.db);
    s.window.Answer(form::kResultCancel);

    repairs::Button7Click(s.form);

    ExpectDialogs(s.window, {kAsk});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

TEST(PrintSettings, FailureInsertsNoRowAtAll) {
    Store s;
    SeedProducts(s.db);
    FailOn(s.db, "ss_device_link", "before insert", "new.prodcd = 'P4'");
    s.Connect();
    const Tables before = SnapshotAll(s.db);

    repairs::Button7Click(s.form);

    ExpectDialogs(
        s.window,
        {kAsk, {"상품별인쇄설정 누락시 처리 실패", DialogKind::Warning, DialogButtons::Ok}});
    ExpectUnchangedExcept(before, SnapshotAll(s.db), {});
}

}  // namespace
}  // namespace repairs_test
