#include "repairs/PrivateQuery.h"

#include <exception>

namespace repairs {

void StartIfInactive(PrivateQuery& work) {
    db::DbConnection* database = work.transaction.DefaultDatabase();
    if (database != nullptr && !database->IsConnected()) database->Connect();
    if (!work.transaction.InTransaction()) work.transaction.StartTransaction();
}

void RollbackIfActive(db::DbTransaction& transaction) noexcept {
    try {
        if (transaction.InTransaction()) transaction.Rollback();
    } catch (const std::exception&) {
        // What stops a rollback (a lost connection, a stopped server) stops a commit as well;
        // the server discards the unfinished work.
    }
}

}  // namespace repairs
