#include "tests/repairs/RepairTestSupport.h"

namespace repairs_test {

Dialogs Store::Shown() const {
    Dialogs shown;
    for (const auto& d : window.dialogs) shown.emplace_back(d.text, d.kind, d.buttons);
    return shown;
}

Tables SnapshotAll(const testing_support::TestDatabase& db) {
    Tables tables;
    for (const auto& row :
         db.Rows("select trim(rdb$relation_name) from rdb$relations "
                 "where coalesce(rdb$system_flag, 0) = 0 and rdb$view_blr is null"))
        tables[row.at(0)] = db.Snapshot(row.at(0));
    return tables;
}

Names Changed(const Tables& before, const Tables& after) {
    Names changed;
    for (const auto& [name, rows] : after)
        if (!before.count(name) || before.at(name) != rows) changed.insert(name);
    for (const auto& [name, rows] : before)
        if (!after.count(name)) changed.insert(name);
    return changed;
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
