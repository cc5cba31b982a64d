// The test database helper: fresh copies, rendering of values and whole-table snapshots.
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

TEST(TestDatabaseHelper, RowsRenderNullAndBlobsAndSnapshotsSort) {
    TestDatabase database;
    database.ExecAll({
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, image_data) values (1, 'B', 'png')",
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, image_data) values (1, 'A', null)",
        "insert into pi_kiosk_c_set (kiosk_set_type, prod_cd, image_data) values (1, 'C', 'pnG')",
    });
    const auto rows =
        database.Rows("select prod_cd, image_data from pi_kiosk_c_set order by prod_cd");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"A", "<null>"}));
    EXPECT_EQ(rows[1][1].rfind("<blob:3 bytes:", 0), 0u) << rows[1][1];
    // Same length, other content: the rendering differs.
    EXPECT_NE(rows[1][1], rows[2][1]);

    const auto snapshot = database.Snapshot("pi_kiosk_c_set");
    ASSERT_EQ(snapshot.size(), 3u);
    EXPECT_TRUE(std::is_sorted(snapshot.begin(), snapshot.end()));
    EXPECT_EQ(snapshot[0].size(), 7u);  // every column of the table
    database.Exec("update pi_kiosk_c_set set image_data = 'pnh' where prod_cd = 'C'");
    EXPECT_NE(database.Snapshot("pi_kiosk_c_set"), snapshot);

    EXPECT_EQ(database.Scalar("select count(*) from pi_kiosk_c_set"), "3");
    EXPECT_EQ(database.Count("pi_kiosk_c_set", "image_data is null"), 1);
    EXPECT_THROW(database.Scalar("select prod_cd from pi_kiosk_c_set where 1 = 0"),
                 std::runtime_error);
}

}  // namespace
