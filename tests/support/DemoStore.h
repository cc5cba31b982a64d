#pragma once

#include "tests/support/TestDatabase.h"

namespace testing_support {

// Loads the demo store (scripts/demo-data/*.sql, in file-name order) into a test database the
// way the demo does: the UTF-8 files become code page 949 and every statement, up to a line
// ending in ';', runs on its own. Fails the current test when a file is missing or ends
// inside a statement.
void LoadDemoStore(const TestDatabase& db);

}  // namespace testing_support
