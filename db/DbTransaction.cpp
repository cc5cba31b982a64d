#include "db/DbTransaction.h"

#include "db/ClientLibrary.h"
#include "db/DbError.h"
#include "db/DbInternal.h"

namespace db {

namespace {

// One entry of the transaction start list: an attachment and its parameter block.
struct TransactionStartEntry {
    isc_db_handle* database;
    int tpbLength;
    const char* tpb;
};

}  // namespace

void DbTransaction::Impl::CloseBound() noexcept {
    const std::vector<DbQuery*> boundQueries = queries;
    for (DbQuery* query : boundQueries) Internals(*query).CloseNoThrow();
    const std::vector<DbStatement*> boundStatements = statements;
    for (DbStatement* statement : boundStatements) Internals(*statement).statement.Free();
}

void DbTransaction::Impl::End(bool commit) {
    if (!handle) throw DbError("Transaction is not active");
    CloseBound();
    StatusVector status;
    const FbApi& api = Api();
    const ISC_STATUS failed = commit ? api.isc_commit_transaction(status.get(), &handle)
                                     : api.isc_rollback_transaction(status.get(), &handle);
    if (failed) RaiseServerError(status.v);
    handle = 0;
}

void DbTransaction::Impl::RetryAbandoned() noexcept {
    if (!abandoned) return;
    StatusVector status;
    if (!Api().isc_rollback_transaction(status.get(), &abandoned)) abandoned = 0;
}

void DbTransaction::Impl::ForceEnd() noexcept {
    RetryAbandoned();
    if (!handle) return;
    CloseBound();
    const FbApi& api = Api();
    StatusVector status;
    const ISC_STATUS failed = defaultAction == Action::Commit
                                  ? api.isc_commit_transaction(status.get(), &handle)
                                  : api.isc_rollback_transaction(status.get(), &handle);
    if (failed && handle) api.isc_rollback_transaction(status.get(), &handle);
    handle = 0;
}

DbTransaction::Impl& Internals(DbTransaction& object) {
    return *object.impl_;
}

DbTransaction::DbTransaction(DbConnection* defaultDatabase, Action defaultAction) {
    ClientLibrary::EnsureLoaded();
    impl_ = std::make_unique<Impl>();
    impl_->self = this;
    impl_->defaultAction = defaultAction;
    impl_->defaultDatabase = defaultDatabase;
    Link(defaultDatabase, this);
}

DbTransaction::~DbTransaction() {
    Impl& d = *impl_;
    d.ForceEnd();
    for (DbQuery* query : d.queries) Internals(*query).transaction = nullptr;
    for (DbStatement* statement : d.statements) Internals(*statement).transaction = nullptr;
    const std::vector<DbConnection*> registered = d.databases;
    for (DbConnection* connection : registered) Unlink(connection, this);
}

bool DbTransaction::InTransaction() const {
    return impl_->handle != 0;
}

void DbTransaction::StartTransaction() {
    Impl& d = *impl_;
    if (d.handle) throw DbError("Transaction is active");
    if (d.databases.empty()) throw DbError("No databases are listed in transaction component");
    std::vector<TransactionStartEntry> entries;
    for (DbConnection* connection : d.databases) {
        if (!connection->IsConnected()) throw DbError("Cannot perform operation -- DB is not open");
        // An empty parameter block: the server's defaults (snapshot, read-write, wait).
        entries.push_back({&Internals(*connection).handle,
                           static_cast<int>(d.parameterBlock.size()),
                           d.parameterBlock.empty() ? nullptr : d.parameterBlock.data()});
    }
    d.RetryAbandoned();
    StatusVector status;
    isc_tr_handle handle = 0;
    if (Api().isc_start_multiple(status.get(), &handle, static_cast<short>(entries.size()),
                                 entries.data()))
        RaiseServerError(status.v);
    d.handle = handle;
}

void DbTransaction::SetWaitForLocks(bool wait) {
    static const char kNoWait[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                                   isc_tpb_nowait};
    impl_->parameterBlock = wait ? std::string() : std::string(kNoWait, sizeof kNoWait);
}

void DbTransaction::Commit() {
    impl_->End(true);
}

void DbTransaction::Rollback() {
    impl_->End(false);
}

void DbTransaction::RollbackFailedWork() noexcept {
    Impl& d = *impl_;
    if (!d.handle) return;
    d.CloseBound();
    StatusVector status;
    if (Api().isc_rollback_transaction(status.get(), &d.handle)) {
        // One slot: an older abandoned transaction that still fails is left to the server,
        // which discards it when the attachment ends.
        d.RetryAbandoned();
        d.abandoned = d.handle;
    }
    d.handle = 0;
}

DbTransaction::Action DbTransaction::DefaultAction() const {
    return impl_->defaultAction;
}

DbConnection* DbTransaction::DefaultDatabase() const {
    return impl_->defaultDatabase;
}

}  // namespace db
