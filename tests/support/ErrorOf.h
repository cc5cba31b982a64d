#pragma once

#include <string>

#include "db/DbError.h"

namespace testing_support {

// The text of the DbError that action throws, or "<no error>" when it throws none.
template <typename Action>
std::string ErrorOf(Action action) {
    try {
        action();
    } catch (const db::DbError& error) {
        return error.what();
    }
    return "<no error>";
}

}  // namespace testing_support
