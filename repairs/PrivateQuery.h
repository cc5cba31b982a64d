#pragma once

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"

namespace repairs {

// A private transaction with a query of its own, both on the window's connection, as the store
// repairs create them for one run. The query is declared last so that it is freed first; a
// transaction still active when freed commits, so a writer must be committed or rolled back
// before it goes out of scope.
struct PrivateQuery {
    explicit PrivateQuery(db::DbConnection& database)
        : transaction(&database, db::DbTransaction::Action::Commit),
          query(&database, &transaction) {}

    db::DbTransaction transaction;
    db::DbQuery query;
};

// Starts the private transaction unless it is active. A statement run on a query connects the
// window's connection when it is not open (after a failed start); so does this, because starting
// a transaction on a closed connection fails.
void StartIfInactive(PrivateQuery& work);

}  // namespace repairs
