#pragma once

#include <memory>

#include <string>

namespace db {

class DbConnection;
class DbTransaction;

// Sends its text to the server unchanged (no parameter markers), so server-side blocks keep
// their ":variables". Unlike DbQuery it neither connects nor starts its transaction.
//
// Lifetimes: closed when its transaction ends or its connection disconnects; left without a
// transaction when the transaction object is destroyed, until SetTransaction binds another.
class DbStatement {
public:
    DbStatement(DbConnection* database, DbTransaction* transaction);
    ~DbStatement();
    DbStatement(const DbStatement&) = delete;
    DbStatement& operator=(const DbStatement&) = delete;

    void SetTransaction(DbTransaction* transaction);
    DbTransaction* Transaction() const;

    void ExecuteSql(const std::string& sql);
    void Close();

private:
    // The other objects of this layer reach the state through Internals().
    struct Impl;
    friend Impl& Internals(DbStatement& object);
    std::unique_ptr<Impl> impl_;
};

}  // namespace db
