#include "db/DbConnection.h"

#include "db/ClientLibrary.h"
#include "db/DbError.h"
#include "db/DbInternal.h"
#include "db/ParameterBlock.h"

namespace db {

void Link(DbConnection* connection, DbTransaction* transaction) {
    if (!connection || !transaction) return;
    AddUnique(connection->impl().transactions, transaction);
    AddUnique(transaction->impl().databases, connection);
}

void Unlink(DbConnection* connection, DbTransaction* transaction) {
    if (!connection || !transaction) return;
    DbConnection::Impl& c = connection->impl();
    DbTransaction::Impl& t = transaction->impl();
    RemoveItem(c.transactions, transaction);
    if (c.defaultTransaction == transaction) c.defaultTransaction = nullptr;
    RemoveItem(t.databases, connection);
    if (t.defaultDatabase == connection) t.defaultDatabase = nullptr;
}

void DbConnection::Impl::EndAllWork() noexcept {
    const std::vector<DbTransaction*> registered = transactions;
    for (DbTransaction* transaction : registered) transaction->impl().ForceEnd();
    const std::vector<DbQuery*> boundQueries = queries;
    for (DbQuery* query : boundQueries) query->impl().CloseNoThrow();
    const std::vector<DbStatement*> boundStatements = statements;
    for (DbStatement* statement : boundStatements) statement->impl().statement.Free();
}

DbConnection::DbConnection(std::string databaseName, std::vector<std::string> params) {
    ClientLibrary::EnsureLoaded();
    impl_ = std::make_unique<Impl>();
    impl_->databaseName = std::move(databaseName);
    impl_->params = std::move(params);
}

DbConnection::~DbConnection() {
    Impl& d = *impl_;
    if (d.handle) {
        d.EndAllWork();
        StatusVector status;
        Api().isc_detach_database(status.get(), &d.handle);
        d.handle = 0;
    }
    // Whatever still refers to this connection is left without one.
    const std::vector<DbTransaction*> registered = d.transactions;
    for (DbTransaction* transaction : registered) Unlink(this, transaction);
    for (DbQuery* query : d.queries) query->impl().database = nullptr;
    for (DbStatement* statement : d.statements) statement->impl().database = nullptr;
}

void DbConnection::Connect() {
    Impl& d = *impl_;
    if (d.handle) return;
    if (d.databaseName.empty()) throw DbError("Database name is missing");
    const std::string dpb = BuildParameterBlock(d.params);

    const FbApi& api = Api();
    StatusVector status;
    isc_db_handle handle = 0;
    if (api.isc_attach_database(status.get(), static_cast<short>(d.databaseName.size()),
                                d.databaseName.data(), &handle, static_cast<short>(dpb.size()),
                                dpb.data()))
        RaiseServerError(status.v);

    const ISC_SCHAR item = isc_info_db_sql_dialect;
    ISC_SCHAR reply[512] = {};
    if (api.isc_database_info(status.get(), &handle, 1, &item, sizeof reply, reply)) {
        const std::string message = ServerErrorText(status.v);
        const int sqlCode = static_cast<int>(api.isc_sqlcode(status.v));
        const int engineCode = static_cast<int>(status.v[1]);
        StatusVector ignored;
        api.isc_detach_database(ignored.get(), &handle);
        throw DbError(message, sqlCode, engineCode);
    }
    int databaseDialect = 1;
    if (static_cast<unsigned char>(reply[0]) == isc_info_db_sql_dialect) {
        const short length = static_cast<short>(api.isc_vax_integer(reply + 1, 2));
        if (length > 0 && length <= 4)
            databaseDialect = static_cast<int>(api.isc_vax_integer(reply + 3, length));
    }
    if (databaseDialect < d.dialect) d.dialect = databaseDialect;
    d.handle = handle;
}

void DbConnection::Disconnect() {
    Impl& d = *impl_;
    if (!d.handle) return;
    d.EndAllWork();
    StatusVector status;
    if (Api().isc_detach_database(status.get(), &d.handle)) RaiseServerError(status.v);
    d.handle = 0;
}

bool DbConnection::IsConnected() const {
    return impl_->handle != 0;
}

int DbConnection::Dialect() const {
    return impl_->dialect;
}

const std::string& DbConnection::DatabaseName() const {
    return impl_->databaseName;
}

void DbConnection::SetDefaultTransaction(DbTransaction* transaction) {
    impl_->defaultTransaction = transaction;
    Link(this, transaction);
}

DbTransaction* DbConnection::DefaultTransaction() const {
    return impl_->defaultTransaction;
}

}  // namespace db
