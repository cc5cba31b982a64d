#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {

Tables SnapshotAll(const testing_support::TestDatabase& db) {
    Tables tables;
    const Rows names = db.Rows(
        "select trim(rdb$relation_name) from rdb$relations "
        "where coalesce(rdb$system_flag, 0) = 0 and rdb$view_blr is null");
    for (const auto& row : names) tables[row.at(0)] = db.Snapshot(row.at(0));
    return tables;
}

void ExpectUnchangedExcept(const Tables& before, const Tables& after,
                           const std::set<std::string>& changed) {
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [name, rows] : before) {
        if (changed.count(name)) continue;
        auto it = after.find(name);
        ASSERT_NE(it, after.end()) << name;
        EXPECT_EQ(rows, it->second) << "table " << name << " changed";
    }
}

void ExpectDialogs(const testing_support::ScriptedWindow& window,
                   const std::vector<ExpectedDialog>& expected) {
    ASSERT_EQ(window.dialogs.size(), expected.size())
        << "dialogs shown: " << ::testing::PrintToString(window.DialogTexts());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(window.dialogs[i].text, expected[i].text) << "dialog " << i;
        EXPECT_EQ(window.dialogs[i].kind, expected[i].kind) << "dialog " << i;
        EXPECT_EQ(window.dialogs[i].buttons, expected[i].buttons) << "dialog " << i;
    }
}

void FailOn(const testing_support::TestDatabase& db, const std::string& table,
            const std::string& event, const std::string& condition) {
    if (db.Count("rdb$exceptions", "rdb$exception_name = 'E_TEST'") == 0)
        db.Exec("create exception e_test 'boom'");
    static int serial = 0;
    db.Exec("create trigger t_fail_" + std::to_string(++serial) + " for " + table + " " + event +
            " as begin if (" + condition + ") then exception e_test; end");
}

}  // namespace repairs_test
