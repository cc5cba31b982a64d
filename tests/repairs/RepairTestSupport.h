#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "form/Cp949.h"
#include "form/FormState.h"
#include "tests/support/ScriptedWindow.h"
#include "tests/support/TestDatabase.h"

namespace repairs_test {

using Rows = std::vector<std::vector<std::string>>;
using Tables = std::map<std::string, Rows>;
using Names = std::set<std::string>;
using Dialog = std::tuple<std::string, form::DialogKind, form::DialogButtons>;
using Dialogs = std::vector<Dialog>;

// A fresh POS database and the window state on it; the form connects when the test says so.
struct Store {
    testing_support::TestDatabase db;
    testing_support::ScriptedWindow window;
    form::FormState form{window, db.Name()};

    void Connect() { form.IBDatabase1.Connect(); }
    Dialogs Shown() const {
        Dialogs shown;
        for (const auto& d : window.dialogs) shown.emplace_back(d.text, d.kind, d.buttons);
        return shown;
    }
};

// Code page 949 bytes of a UTF-8 text, as the POS program stores Korean text.
inline std::string Cp(const std::string& utf8) {
    return form::Utf8ToCp949(utf8);
}

// Every row of every user table of the database.
inline Tables SnapshotAll(const testing_support::TestDatabase& db) {
    Tables tables;
    for (const auto& row :
         db.Rows("select trim(rdb$relation_name) from rdb$relations "
                 "where coalesce(rdb$system_flag, 0) = 0 and rdb$view_blr is null"))
        tables[row.at(0)] = db.Snapshot(row.at(0));
    return tables;
}

// The names (upper case) of the tables that differ between two snapshots.
inline Names Changed(const Tables& before, const Tables& after) {
    Names changed;
    for (const auto& [name, rows] : after)
        if (!before.count(name) || before.at(name) != rows) changed.insert(name);
    for (const auto& [name, rows] : before)
        if (!after.count(name)) changed.insert(name);
    return changed;
}

// A trigger that raises an exception at `event` ("before update", ...) when `condition` holds.
inline void FailOn(const testing_support::TestDatabase& db, const std::string& table,
                   const std::string& event, const std::string& condition = "1 = 1") {
    if (db.Count("rdb$exceptions", "rdb$exception_name = 'E_TEST'") == 0)
        db.Exec("create exception e_test 'boom'");
    static int serial = 0;
    db.Exec("create trigger t_fail_" + std::to_string(++serial) + " for " + table + " " + event +
            " as begin if (" + condition + ") then exception e_test; end");
}

}  // namespace repairs_test
