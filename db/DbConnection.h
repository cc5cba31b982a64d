#pragma once

#include <memory>

#include <string>
#include <vector>

namespace db {

class DbTransaction;
class DbQuery;
class DbStatement;

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

    void Connect();
    void Disconnect();
    bool IsConnected() const;

    // The dialect used for every prepare and execute: 3, or the database's own when lower.
    int Dialect() const;

    const std::string& DatabaseName() const;
    // The "name=value" lines the attachment is made with (user name, password).
    const std::vector<std::string>& Params() const;

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
