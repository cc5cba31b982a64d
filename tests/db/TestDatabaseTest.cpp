// The test database helper: fresh copies and whole-table snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/TestDatabase.h"

using testing_support::TestDatabase;

namespace {

TEST(TestDatabaseHelper, EachDatabaseIsFreshAndGoesAwayWithItsObject) {
    std::string firstPath;
    {
        TestDatabase first;
        TestDatabase second;
        firstPath = first.Path();
        EXPECT_NE(first.Path(), second.Path());
        EXPECT_EQ(first.Name(), testing_support::TestServer() + ":" + first.Path());
        first.Exec("insert into ss_master (pos_no) values ('01')");
        EXPECT_EQ(first.Count("ss_master"), 1);
        EXPECT_EQ(second.Count("ss_master"), 0);
        EXPECT_EQ(second.Count("os_order_h"), 0);
        EXPECT_TRUE(std::filesystem::exists(firstPath));
    }
    EXPECT_FALSE(std::filesystem::exists(firstPath));
}

TEST(TestDatabaseHelper, SnapshotsRenderNullAndBlobsAndSort) {
    TestDatabase database;
    database.ExecAll({
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, image_data) values (1, 'B', 'png')",
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, image_data) values (1, 'A', null)",
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, image_data) values (1, 'C', 'pnG')",
    });
    const auto snapshot = database.Snapshot("pi_kiosk_c_set");
    ASSERT_EQ(snapshot.size(), 3u);
    EXPECT_TRUE(std::is_sorted(snapshot.begin(), snapshot.end()));
    ASSERT_EQ(snapshot[0].size(), 7u);  // every column of the table, image_data last
    EXPECT_EQ(snapshot[0][1], "A");
    EXPECT_EQ(snapshot[0][6], "<null>");
    EXPECT_EQ(snapshot[1][6].rfind("<blob:3 bytes:", 0), 0u) << snapshot[1][6];
    // Same length, other content: the rendering differs.
    EXPECT_NE(snapshot[1][6], snapshot[2][6]);
    database.Exec("update pi_kiosk_c_set set image_data = 'pnh' where prod_cd = 'C'");
    EXPECT_NE(database.Snapshot("pi_kiosk_c_set"), snapshot);

    EXPECT_EQ(database.Scalar("select count(*) from pi_kiosk_c_set"), "3");
    EXPECT_EQ(database.Count("pi_kiosk_c_set", "image_data is null"), 1);
    EXPECT_THROW(database.Scalar("select prod_cd from pi_kiosk_c_set where 1 = 0"),
                 std::runtime_error);
}

}  // namespace
