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

void DbStatement::Prepare(const std::string& sql) {
    Impl& d = *impl_;
    d.statement.Free();
    d.text = sql;
    if (d.text.empty()) throw DbError("Empty query");
    if (!d.database) throw DbError("Database not assigned");
    if (!d.database->IsConnected()) throw DbError("Cannot perform operation -- DB is not open");
    if (!d.transaction) throw DbError("Transaction not assigned");
    if (!d.transaction->InTransaction()) throw DbError("Transaction is not active");

    const unsigned short dialect = static_cast<unsigned short>(d.database->Dialect());
    const CallInFlight call(*d.database, d.text);
    try {
        d.statement.Prepare(&Internals(*d.database).handle, &Internals(*d.transaction).handle,
                            d.text, dialect);
        const int type = d.statement.Type();
        if (IsForbiddenStatementType(type)) throw DbError("Not permitted");
        d.statement.DescribeParameters();
        if (IsSelectType(type) || type == isc_info_sql_stmt_exec_procedure)
            d.statement.DescribeColumns();
    } catch (...) {
        d.statement.Free();
        throw;
    }
}

void DbStatement::Execute(const std::vector<std::optional<std::string>>& values) {
    Impl& d = *impl_;
    if (!d.statement.IsAllocated()) throw DbError("Statement is not prepared");
    if (!d.transaction) throw DbError("Transaction not assigned");
    if (!d.transaction->InTransaction()) throw DbError("Transaction is not active");
    d.statement.SetParameters(values);
    const CallInFlight call(*d.database, d.text);
    d.statement.Execute(&Internals(*d.transaction).handle,
                        static_cast<unsigned short>(d.database->Dialect()));
    // A selectable block gives its values as its first row; the cursor is not kept.
    if (IsSelectType(d.statement.Type())) {
        const bool fetched = d.statement.Fetch();
        d.statement.CloseCursor();
        if (!fetched) throw DbError("The statement gave no values back");
    }
}

std::string DbStatement::OutputText(int index) const {
    const DsqlStatement& s = impl_->statement;
    if (index < 0 || static_cast<std::size_t>(index) >= s.Columns().size())
        throw DbError("Field index " + std::to_string(index) + " out of range");
    return ColumnText(s.Columns()[static_cast<std::size_t>(index)], s.RowBuffer());
}

std::int32_t DbStatement::OutputInt(int index) const {
    const DsqlStatement& s = impl_->statement;
    if (index < 0 || static_cast<std::size_t>(index) >= s.Columns().size())
        throw DbError("Field index " + std::to_string(index) + " out of range");
    return ColumnInt(s.Columns()[static_cast<std::size_t>(index)], s.RowBuffer());
}

}  // namespace db
