#include "PrivateQuery.h"

#include <exception>

namespace repairs {

void RollbackIfActive(db::DbTransaction& transaction) noexcept {
    try {
        if (transaction.InTransaction()) transaction.Rollback();
    } catch (const std::exception&) {
        // What stops a rollback (a lost connection, a stopped server) stops a commit as well;
        // the server discards the unfinished work.
    }
}

}  // namespace repairs
