#include "repairs/PrivateQuery.h"

namespace repairs {

void StartIfInactive(PrivateQuery& work) {
    db::DbConnection* database = work.transaction.DefaultDatabase();
    if (database != nullptr && !database->IsConnected()) database->Connect();
    if (!work.transaction.InTransaction()) work.transaction.StartTransaction();
}

}  // namespace repairs
