#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

    // Prepares `sql` (sent unchanged, "?" the server's parameter markers) once, to be run many
    // times with Execute. It stays prepared until ExecuteSql, Prepare or Close, the end of its
    // transaction or a disconnect. Fails like ExecuteSql when not connected or not in a
    // transaction.
    void Prepare(const std::string& sql);
    // Runs the prepared statement in its transaction with one value per parameter: bytes sent as
    // text in no character set, which the server converts to the parameter's type as it does a
    // literal; none sends NULL. Fails with "Statement is not prepared" when nothing is.
    void Execute(const std::vector<std::optional<std::string>>& values);
    // What the last run gave back when the statement returns values (a procedure call, or the
    // first row of a selectable statement such as EXECUTE BLOCK ... RETURNS with SUSPEND), by
    // position: NULL reads as "" and 0.
    std::string OutputText(int index) const;
    std::int32_t OutputInt(int index) const;

private:
    // The other objects of this layer reach the state through Internals().
    struct Impl;
    friend Impl& Internals(DbStatement& object);
    std::unique_ptr<Impl> impl_;
};

}  // namespace db
