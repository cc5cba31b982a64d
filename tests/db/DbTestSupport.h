#pragma once

#include <gtest/gtest.h>

#include <string>

#include "db/DbError.h"

namespace db_tests {

// The message of the DbError that `action` raises; a test failure when it raises none.
template <typename Action>
std::string ErrorOf(Action action) {
    try {
        action();
    } catch (const db::DbError& error) {
        return error.what();
    }
    ADD_FAILURE() << "expected a DbError";
    return "<no error>";
}

}  // namespace db_tests
