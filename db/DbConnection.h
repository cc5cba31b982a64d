#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace db {

class DbTransaction;
class DbQuery;
class DbStatement;
class DbError;

// The attachment to the POS database with its fixed settings.
//
// Lifetimes: transactions, queries and statements register themselves with the connection they
// are bound to and unregister when destroyed; the connection never owns them. Destroying a
// connection that is still attached force-ends its active transactions, closes every bound query
// and statement and detaches, ignoring errors.
class DbConnection {
public:
    static constexpr const char* kStoredDatabaseName = "localhost:zurn_svr";

    // The stored settings: "localhost:zurn_svr", user sysdba, password quillmoss, dialect 3.
    // Tests pass another database name (and, rarely, other parameter lines). Throws DbError when
    // the client library cannot be loaded.
    explicit DbConnection(std::string databaseName = kStoredDatabaseName,
                          std::vector<std::string> params = {"user_name=sysdba",
                                                             "password=quillmoss"});
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Attaches; nothing when attached. A statement run while not connected calls it first.
    void Connect();
    void Disconnect();
    bool IsConnected() const;

    // While connecting is held off, Connect (also the one a statement makes by itself) fails at
    // once with `failure` instead of attaching. The checks before a change hold it off when they
    // cannot attach, so that the change never runs on an attachment made after them; the window
    // resumes it when the operation has ended.
    void HoldOffConnect(const DbError& failure);
    void ResumeConnect();

    // The dialect used for every prepare and execute: 3, or the database's own when lower.
    int Dialect() const;

    const std::string& DatabaseName() const;
    // The "name=value" lines the attachment is made with (user name, password).
    const std::vector<std::string>& Params() const;

    // The server's id of the attachment (CURRENT_CONNECTION), 0 while not connected.
    long long AttachmentId() const;

    // The blocking client call under way on this connection, if any: a statement being prepared
    // and run, or a row being fetched. Safe to ask from any thread.
    struct Call {
        bool active = false;
        unsigned long serial = 0;  // tells two calls apart
        std::chrono::steady_clock::time_point since;
        std::string sql;
    };
    Call CurrentCall() const;

    // Whether the client library can cancel a call from another thread (fb_cancel_operation).
    bool CanCancel() const;
    // Asks the server to cancel the call under way; it then fails with "operation was cancelled"
    // and its transaction can still be rolled back. Safe from any thread; false when no call was
    // under way or the library cannot cancel.
    bool CancelCall();

    // The default transaction (IBTransaction1 for the window's connection). It is registered
    // with the connection like every transaction whose default database this is.
    void SetDefaultTransaction(DbTransaction* transaction);
    DbTransaction* DefaultTransaction() const;

private:
    // The other objects of this layer reach the state through Internals().
    struct Impl;
    friend Impl& Internals(DbConnection& object);
    std::unique_ptr<Impl> impl_;
};

}  // namespace db
