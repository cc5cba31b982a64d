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
    Dialogs Shown() const;
};

// Code page 949 bytes of a UTF-8 text, as the POS program stores Korean text.
inline std::string Cp(const std::string& utf8) {
    return form::Utf8ToCp949(utf8);
}

// Every row of every user table of the database.
Tables SnapshotAll(const testing_support::TestDatabase& db);
// The names (upper case) of the tables that differ between two snapshots.
Names Changed(const Tables& before, const Tables& after);

// A trigger that raises an exception at `event` ("before update", ...) when `condition` holds.
void FailOn(const testing_support::TestDatabase& db, const std::string& table,
            const std::string& event, const std::string& condition = "1 = 1");

}  // namespace repairs_test
