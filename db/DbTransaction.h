#pragma once

#include <memory>

namespace db {

class DbConnection;

// One transaction context on a connection. Started explicitly or implicitly by a query run on
// it; ended by Commit, Rollback, a forced end at Disconnect, or destruction.
//
// Lifetimes: registers with its default database on construction (and unregisters when it or the
// connection goes away). Queries and statements bound to it are closed when it commits or rolls
// back, and are left without a transaction when it is destroyed. Destroying it while active ends
// it with its DefaultAction and never throws.
class DbTransaction {
public:
    enum class Action { Commit, Rollback };

    // Private transactions use Action::Commit; the window's IBTransaction1 uses
    // Action::Rollback. Throws DbError when the client library cannot be loaded.
    explicit DbTransaction(DbConnection* defaultDatabase, Action defaultAction = Action::Commit);
    ~DbTransaction();
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;

    bool InTransaction() const;
    void StartTransaction();
    // Whether statements of the transactions started from now on wait for rows that another
    // transaction holds (the server's default) or fail at once. A snapshot either way.
    void SetWaitForLocks(bool wait);
    void Commit();
    void Rollback();

    // Ends the transaction after its work failed: rolls it back when active, never commits and
    // never throws. When the rollback fails the transaction counts as ended all the same, so
    // nothing commits it later; its rollback is tried again at the next start, when the object
    // goes and at Disconnect. (On a lost attachment the server has discarded the work already.)
    void RollbackFailedWork() noexcept;

    Action DefaultAction() const;
    DbConnection* DefaultDatabase() const;

private:
    // The other objects of this layer reach the state through Internals().
    struct Impl;
    friend Impl& Internals(DbTransaction& object);
    std::unique_ptr<Impl> impl_;
};

}  // namespace db
