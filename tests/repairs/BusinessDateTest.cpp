#include <string>

#include <gtest/gtest.h>

#include "repairs/BusinessDate.h"
#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {
namespace {

using form::DialogButtons;
using form::DialogKind;

void Register(const testing_support::TestDatabase& db, const std::string& salYmd,
              const std::string& ocGb, const std::string& cancelYn = "N") {
    db.Exec("insert into oc_register (sal_ymd, oc_gb, cancel_yn) values ('" + salYmd + "', '" +
            ocGb + "', '" + cancelYn + "')");
}

TEST(BusinessDate, OpeningRecordsGiveTheLatestOpeningDate) {
    Store s;
    Register(s.db, "20240313", "1");
    Register(s.db, "20240314", "1");
    Register(s.db, "20240320", "2");
    Register(s.db, "20240321", "2", "Y");
    s.form.BusinessDate = "stale";

    // The lookup connects on its own when the window has no connection yet.
    repairs::LoadBusinessDate(s.form);

    EXPECT_EQ(s.form.BusinessDate, "20240314");
    EXPECT_TRUE(s.window.dialogs.empty());
}

TEST(BusinessDate, WithoutOpeningRecordsTheLatestUncancelledClosingDate) {
    Store s;
    Register(s.db, "20240313", "2");
    Register(s.db, "20240314", "2", "Y");
    s.Connect();

    repairs::LoadBusinessDate(s.form);

    EXPECT_EQ(s.form.BusinessDate, "20240313");
    EXPECT_TRUE(s.window.dialogs.empty());
}

TEST(BusinessDate, EmptyRegisterGivesEmptyDateWithoutMessage) {
    Store s;
    Register(s.db, "20240314", "2", "Y");
    s.Connect();
    s.form.BusinessDate = "20240101";

    repairs::LoadBusinessDate(s.form);

    EXPECT_EQ(s.form.BusinessDate, "");
    EXPECT_TRUE(s.window.dialogs.empty());
}

TEST(BusinessDate, TrailingBlanksAreRemovedFromEitherQuery) {
    Store s;
    Register(s.db, "20240315  ", "2");
    s.Connect();
    repairs::LoadBusinessDate(s.form);
    EXPECT_EQ(s.form.BusinessDate, "20240315");

    Register(s.db, " 20240316 ", "1");
    repairs::LoadBusinessDate(s.form);
    EXPECT_EQ(s.form.BusinessDate, "20240316");
}

TEST(BusinessDate, EachLookupSeesRecordsCommittedSinceTheLast) {
    Store s;
    Register(s.db, "20240313", "1");
    s.Connect();
    repairs::LoadBusinessDate(s.form);
    ASSERT_EQ(s.form.BusinessDate, "20240313");

    Register(s.db, "20240314", "1");
    repairs::LoadBusinessDate(s.form);
    EXPECT_EQ(s.form.BusinessDate, "20240314");
}

TEST(BusinessDate, FailureShowsItsMessageAndClearsTheDate) {
    Store s;
    s.db.Exec("drop table oc_register");
    s.Connect();
    s.form.BusinessDate = "20240101";

    repairs::LoadBusinessDate(s.form);

    EXPECT_EQ(s.form.BusinessDate, "");
    ExpectDialogs(s.window, {{"개점일자 확인 실패", DialogKind::Warning, DialogButtons::Ok}});
}

}  // namespace
}  // namespace repairs_test
