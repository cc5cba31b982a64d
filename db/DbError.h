#pragma once

#include <stdexcept>
#include <string>

namespace db {

// The one failure type of the database layer. Failures reported by the server keep the
// SQL code (isc_sqlcode) and the engine error code (second element of the status vector);
// failures the layer detects itself carry only their message and zero codes.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& message, int sqlCode = 0, int engineCode = 0)
        : std::runtime_error(message), sqlCode_(sqlCode), engineCode_(engineCode) {}

    int SqlCode() const noexcept { return sqlCode_; }
    int EngineCode() const noexcept { return engineCode_; }

private:
    int sqlCode_;
    int engineCode_;
};

// SQL code -551: the user lacks a permission. Raised as its own kind; callers treat it as any
// other DbError.
class DbNoPermission : public DbError {
public:
    using DbError::DbError;
};

}  // namespace db
