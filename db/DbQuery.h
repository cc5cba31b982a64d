#pragma once

#include <memory>

#include <cstdint>
#include <string>

namespace db {

class DbConnection;
class DbTransaction;

// Runs statements on one connection and one transaction; opens SELECTs as a cursor over rows
// kept in memory. ":name" and "?" outside quotes and comments are parameter markers, sent as
// NULL. Running a statement connects the connection and starts the transaction when needed.
//
// Lifetimes: the query is closed when its transaction commits or rolls back and when its
// connection disconnects; when its transaction is destroyed it is left without one, and when its
// connection is destroyed, without a connection ("Transaction not assigned" / "Database not
// assigned" on the next run).
class DbQuery {
public:
    // name is prefixed to "Field '...' not found" messages ("IBQuery1" for the window's query;
    // empty for private queries). Throws DbError when the client library cannot be loaded.
    DbQuery(DbConnection* database, DbTransaction* transaction, std::string name = {});
    ~DbQuery();
    DbQuery(const DbQuery&) = delete;
    DbQuery& operator=(const DbQuery&) = delete;

    void OpenQuery(const std::string& sql);
    void ExecuteSql(const std::string& sql);
    void Close();
    bool IsOpen() const;

    bool HasRows() const;
    bool Eof() const;
    void Next();
    // Back to the first row, from the rows already in memory (no new fetch).
    void First();

    // Values of the current row, by column name without regard to letter case. NULL reads as
    // "" and 0; CHAR keeps its filling blanks; BIGINT gives its low 32 bits to FieldInt. Only
    // CHAR, VARCHAR and integer columns are read; another type throws. An unknown name throws
    // "Field '<name>' not found" (prefixed by the query's name and ": " when it has one).
    std::string FieldText(const std::string& column) const;
    std::int32_t FieldInt(const std::string& column) const;

    // The result columns in select-list order, for readers that walk every column.
    int FieldCount() const;
    std::string FieldTextAt(int index) const;
    // Every stored byte of a CHAR or VARCHAR column, zero bytes included: for values that are
    // no text, such as RDB$DB_KEY.
    std::string FieldBytesAt(int index) const;
    bool FieldIsNullAt(int index) const;

    DbTransaction* Transaction() const;
    DbConnection* Database() const;

private:
    // The other objects of this layer reach the state through Internals().
    struct Impl;
    friend Impl& Internals(DbQuery& object);
    std::unique_ptr<Impl> impl_;
};

}  // namespace db
