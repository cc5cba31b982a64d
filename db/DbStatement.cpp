#include "db/DbStatement.h"

#include "db/ClientLibrary.h"
#include "db/DbError.h"
#include "db/DbInternal.h"

namespace db {

DbStatement::Impl& Internals(DbStatement& object) {
    return *object.impl_;
}

DbStatement::DbStatement(DbConnection* database, DbTransaction* transaction) {
    ClientLibrary::EnsureLoaded();
    impl_ = std::make_unique<Impl>();
    impl_->self = this;
    impl_->database = database;
    if (database) AddUnique(Internals(*database).statements, this);
    SetTransaction(transaction);
}

DbStatement::~DbStatement() {
    Impl& d = *impl_;
    d.statement.Free();
    if (d.database) RemoveItem(Internals(*d.database).statements, this);
    if (d.transaction) RemoveItem(Internals(*d.transaction).statements, this);
}

void DbStatement::SetTransaction(DbTransaction* transaction) {
    Impl& d = *impl_;
    if (d.transaction == transaction) return;
    // The prepared statement belongs to the old transaction's work.
    d.statement.Free();
    if (d.transaction) RemoveItem(Internals(*d.transaction).statements, this);
    d.transaction = transaction;
    if (transaction) AddUnique(Internals(*transaction).statements, this);
}

DbTransaction* DbStatement::Transaction() const {
    return impl_->transaction;
}

void DbStatement::ExecuteSql(const std::string& sql) {
    Impl& d = *impl_;
    d.statement.Free();
    d.text = sql;
    if (d.text.empty()) throw DbError("Empty query");
    if (!d.database) throw DbError("Database not assigned");
    if (!d.database->IsConnected()) throw DbError("Cannot perform operation -- DB is not open");
    if (!d.transaction) throw DbError("Transaction not assigned");
    if (!d.transaction->InTransaction()) throw DbError("Transaction is not active");

    const unsigned short dialect = static_cast<unsigned short>(d.database->Dialect());
    isc_tr_handle* trHandle = &Internals(*d.transaction).handle;
    const CallInFlight call(*d.database, d.text);
    try {
        // The text goes out as written: no parameter markers are looked for.
        d.statement.Prepare(&Internals(*d.database).handle, trHandle, d.text, dialect);
        const int type = d.statement.Type();
        if (IsForbiddenStatementType(type)) throw DbError("Not permitted");
        d.statement.DescribeParameters();
        if (IsSelectType(type) || type == isc_info_sql_stmt_exec_procedure)
            d.statement.DescribeColumns();
        d.statement.Execute(trHandle, dialect);
    } catch (...) {
        d.statement.Free();
        throw;
    }
    d.statement.Free();
}

void DbStatement::Close() {
    impl_->statement.Free();
}

}  // namespace db
