#pragma once

#include <gtest/gtest.h>

#include <string>

#include "db/DbError.h"

namespace testing_support {

// The DbError that action raises; a test failure when it raises none.
template <typename Action>
db::DbError Raised(Action action) {
    try {
        action();
    } catch (const db::DbError& error) {
        return error;
    }
    ADD_FAILURE() << "expected a DbError";
    return db::DbError("<no error>");
}

template <typename Action>
std::string ErrorOf(Action action) {
    return Raised(action).what();
}

}  // namespace testing_support

#define EXPECT_FAILS(message, ...) \
    EXPECT_EQ(testing_support::ErrorOf([&] { __VA_ARGS__; }), message)
