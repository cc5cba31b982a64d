#pragma once

#include <stdexcept>
#include <string>

namespace db {

// What a failure says about the call and the attachment, read from the whole status vector.
enum class FailureCause {
    Other,
    Cancelled,       // the call was cancelled (isc_cancelled): fb_cancel_operation
    ConnectionLost,  // the attachment is gone: network error, lost connection, shutdown
};

// The one failure type of the database layer. Failures reported by the server keep the
// SQL code (isc_sqlcode), the engine error code (second element of the status vector) and the
// cause; failures the layer detects itself carry only their message, zero codes and no cause.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& message, int sqlCode = 0, int engineCode = 0,
                     FailureCause cause = FailureCause::Other)
        : std::runtime_error(message), sqlCode_(sqlCode), engineCode_(engineCode), cause_(cause) {}

    int SqlCode() const noexcept { return sqlCode_; }
    int EngineCode() const noexcept { return engineCode_; }
    FailureCause Cause() const noexcept { return cause_; }

private:
    int sqlCode_;
    int engineCode_;
    FailureCause cause_;
};

// SQL code -551: the user lacks a permission. Raised as its own kind; callers treat it as any
// other DbError.
class DbNoPermission : public DbError {
public:
    using DbError::DbError;
};

}  // namespace db
