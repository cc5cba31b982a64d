#include "db/DbConnection.h"

#include <algorithm>

#include "db/ClientLibrary.h"
#include "db/DbError.h"
#include "db/DbInternal.h"
#include "db/ParameterBlock.h"

namespace db {

void Link(DbConnection* connection, DbTransaction* transaction) {
    if (!connection || !transaction) return;
    AddUnique(Internals(*connection).transactions, transaction);
    AddUnique(Internals(*transaction).databases, connection);
}

void Unlink(DbConnection* connection, DbTransaction* transaction) {
    if (!connection || !transaction) return;
    auto& c = Internals(*connection);
    auto& t = Internals(*transaction);
    RemoveItem(c.transactions, transaction);
    if (c.defaultTransaction == transaction) c.defaultTransaction = nullptr;
    RemoveItem(t.databases, connection);
    if (t.defaultDatabase == connection) t.defaultDatabase = nullptr;
}

void DbConnection::Impl::EndAllWork() noexcept {
    const std::vector<DbTransaction*> registered = transactions;
    for (DbTransaction* transaction : registered) Internals(*transaction).ForceEnd();
    const std::vector<DbQuery*> boundQueries = queries;
    for (DbQuery* query : boundQueries) Internals(*query).CloseNoThrow();
    const std::vector<DbStatement*> boundStatements = statements;
    for (DbStatement* statement : boundStatements) Internals(*statement).statement.Free();
}

DbConnection::Impl& Internals(DbConnection& object) {
    return *object.impl_;
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
    for (DbQuery* query : d.queries) Internals(*query).database = nullptr;
    for (DbStatement* statement : d.statements) Internals(*statement).database = nullptr;
}

void DbConnection::Connect() {
    Impl& d = *impl_;
    if (d.handle) return;
    if (d.heldOff) throw *d.heldOff;
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
        StatusVector ignored;
        api.isc_detach_database(ignored.get(), &handle);
        RaiseServerError(status.v);
    }
    int databaseDialect = 1;
    if (static_cast<unsigned char>(reply[0]) == isc_info_db_sql_dialect) {
        const short length = static_cast<short>(api.isc_vax_integer(reply + 1, 2));
        if (length > 0 && length <= 4)
            databaseDialect = static_cast<int>(api.isc_vax_integer(reply + 3, length));
    }
    if (databaseDialect < d.dialect) d.dialect = databaseDialect;

    // Its own id, asked apart so that the dialect question stays as it is; it tells the
    // tool's attachment from others in the monitoring tables.
    const ISC_SCHAR idItem = isc_info_attachment_id;
    ISC_SCHAR idReply[32] = {};
    d.attachmentId = 0;
    if (!api.isc_database_info(status.get(), &handle, 1, &idItem, sizeof idReply, idReply) &&
        static_cast<unsigned char>(idReply[0]) == isc_info_attachment_id) {
        const short length = static_cast<short>(api.isc_vax_integer(idReply + 1, 2));
        for (int i = std::min<int>(length, 8) - 1; i >= 0; --i)
            d.attachmentId = d.attachmentId * 256 + static_cast<unsigned char>(idReply[3 + i]);
    }
    d.handle = handle;
}

void DbConnection::Disconnect() {
    Impl& d = *impl_;
    if (!d.handle) return;
    d.EndAllWork();
    StatusVector status;
    if (Api().isc_detach_database(status.get(), &d.handle)) RaiseServerError(status.v);
    d.handle = 0;
    d.attachmentId = 0;
}

void DbConnection::HoldOffConnect(const DbError& failure) {
    impl_->heldOff = failure;
}

void DbConnection::ResumeConnect() {
    impl_->heldOff.reset();
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

const std::vector<std::string>& DbConnection::Params() const {
    return impl_->params;
}

void DbConnection::SetDefaultTransaction(DbTransaction* transaction) {
    impl_->defaultTransaction = transaction;
    Link(this, transaction);
}

DbTransaction* DbConnection::DefaultTransaction() const {
    return impl_->defaultTransaction;
}

long long DbConnection::AttachmentId() const {
    return impl_->attachmentId;
}

DbConnection::Call DbConnection::CurrentCall() const {
    std::lock_guard<std::mutex> lock(impl_->callMutex);
    return impl_->call;
}

bool DbConnection::CanCancel() const {
    return Api().fb_cancel_operation != nullptr;
}

bool DbConnection::CancelCall() {
    Impl& d = *impl_;
    const FbApi& api = Api();
    if (!api.fb_cancel_operation) return false;
    // Under the lock the call cannot end and its attachment cannot go away meanwhile.
    std::lock_guard<std::mutex> lock(d.callMutex);
    if (!d.call.active || !d.callHandle) return false;
    StatusVector status;
    return api.fb_cancel_operation(status.get(), &d.callHandle, fb_cancel_raise) == 0;
}

CallInFlight::CallInFlight(DbConnection& connection, const std::string& sql)
    : connection_(connection) {
    auto& d = Internals(connection_);
    std::lock_guard<std::mutex> lock(d.callMutex);
    d.call.active = true;
    ++d.call.serial;
    d.call.since = std::chrono::steady_clock::now();
    d.call.sql = sql;
    d.callHandle = d.handle;
}

CallInFlight::~CallInFlight() {
    auto& d = Internals(connection_);
    std::lock_guard<std::mutex> lock(d.callMutex);
    d.call.active = false;
    d.callHandle = 0;
}

}  // namespace db
