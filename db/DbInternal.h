#pragma once

// Internal state of the database objects and the pieces they share. Not part of the public
// interface: only the db/ sources include it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "db/DbConnection.h"
#include "db/DbError.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"
#include "db/FbApi.h"

namespace db {

struct StatusVector {
    ISC_STATUS v[ISC_STATUS_LENGTH] = {};
    ISC_STATUS* get() { return v; }
};

// Raises the failure held by a status vector: the interpreted texts joined with CR LF, the
// final "." dropped, with the SQL code and the engine code; SQL code -551 as DbNoPermission.
// Every failure the server reports goes through here.
[[noreturn]] void RaiseServerError(const ISC_STATUS* status);

// Statement types refused on every run (blob segment reads and writes, SET TRANSACTION).
bool IsForbiddenStatementType(int type);
bool IsSelectType(int type);

// One result column as the server describes it, with its place in a row buffer.
struct Column {
    std::string name;  // alias as reported by the server (upper case when unquoted)
    short type = 0;    // SQL type without the nullable bit
    short subType = 0;
    short scale = 0;
    short length = 0;            // declared data length in bytes
    std::size_t offset = 0;      // data within the row buffer
    std::size_t nullOffset = 0;  // null indicator (short) within the row buffer
};

// An XSQLDA with room for a given number of variables.
class Sqlda {
public:
    Sqlda() { Resize(1); }
    void Resize(int count);
    XSQLDA* get() const { return reinterpret_cast<XSQLDA*>(storage_.get()); }
    int Count() const { return get()->sqld; }

private:
    std::unique_ptr<unsigned char[]> storage_;
};

// A statement handle on one attachment: allocated and prepared together, freed on Free() or
// destruction. Input parameters are sent as NULL unless SetParameters gave them values.
class DsqlStatement {
public:
    DsqlStatement() = default;
    ~DsqlStatement() { Free(); }
    DsqlStatement(const DsqlStatement&) = delete;
    DsqlStatement& operator=(const DsqlStatement&) = delete;

    // Allocates, prepares and reads the statement type. Throws DbError; nothing stays
    // allocated after a failure.
    void Prepare(isc_db_handle* database, isc_tr_handle* transaction, const std::string& sql,
                 unsigned short dialect);
    int Type() const { return type_; }

    // Describes the parameters and makes every one a NULL value.
    void DescribeParameters();
    // Gives the described parameters values for the following runs: one per parameter, each
    // sent as text without a character set (the server converts it), none as NULL.
    void SetParameters(const std::vector<std::optional<std::string>>& values);
    // Describes the result columns and lays out a row buffer for them.
    void DescribeColumns();

    // Runs the statement; a procedure call receives its output row into RowBuffer().
    void Execute(isc_tr_handle* transaction, unsigned short dialect);
    // Names the open cursor of an executed SELECT.
    void SetCursorName(const std::string& name);
    // Fetches the next row into RowBuffer(); false when there is none.
    bool Fetch();
    // Closes the cursor of an executed SELECT; the statement stays prepared. Never throws.
    void CloseCursor() noexcept;

    // Releases the handle; never throws.
    void Free() noexcept;
    bool IsAllocated() const { return handle_ != 0; }

    const std::vector<Column>& Columns() const { return columns_; }
    std::size_t RowSize() const { return row_.size(); }
    const char* RowBuffer() const { return row_.data(); }

private:
    isc_stmt_handle handle_ = 0;
    int type_ = 0;
    Sqlda in_, out_;
    std::vector<char> inData_;
    std::vector<short> inNull_;
    std::vector<Column> columns_;
    std::vector<char> row_;
};

// Fetched rows of an open query, kept in chunks of 1000 rows; a full cache grows by one more
// chunk, so rows never move once stored.
class RowCache {
public:
    static constexpr std::size_t kChunkRows = 1000;

    void Reset(std::size_t rowSize);
    void Append(const char* row);
    const char* Row(std::size_t index) const {
        return chunks_[index / kChunkRows].get() + (index % kChunkRows) * rowSize_;
    }
    std::size_t Count() const { return count_; }
    std::size_t CapacityRows() const { return chunks_.size() * kChunkRows; }

private:
    std::size_t rowSize_ = 0;
    std::size_t count_ = 0;
    std::vector<std::unique_ptr<char[]>> chunks_;
};

// Column value conversions for the types the tool reads: CHAR, VARCHAR and the integers. Any
// other type fails with a DbError naming the column.
bool ColumnIsNull(const Column& column, const char* row);
std::string ColumnText(const Column& column, const char* row);
// Every stored byte of a CHAR or VARCHAR value, zero bytes included (a CHAR filled to its
// length); "" for NULL.
std::string ColumnBytes(const Column& column, const char* row);
std::int32_t ColumnInt(const Column& column, const char* row);

struct DbConnection::Impl {
    std::string databaseName;
    std::vector<std::string> params;
    isc_db_handle handle = 0;
    int dialect = 3;
    long long attachmentId = 0;
    std::optional<DbError> heldOff;  // what Connect fails with while connecting is held off

    // The call under way, read by other threads (see CallInFlight).
    mutable std::mutex callMutex;
    DbConnection::Call call;
    isc_db_handle callHandle = 0;
    DbTransaction* defaultTransaction = nullptr;
    std::vector<DbTransaction*> transactions;
    std::vector<DbQuery*> queries;
    std::vector<DbStatement*> statements;

    // Force-ends the active transactions and closes every bound query and statement.
    void EndAllWork() noexcept;
};

struct DbTransaction::Impl {
    DbTransaction* self = nullptr;
    isc_tr_handle handle = 0;
    Action defaultAction = Action::Commit;
    std::string parameterBlock;  // empty: the server's defaults
    DbConnection* defaultDatabase = nullptr;
    std::vector<DbConnection*> databases;  // registered databases; the default one among them
    std::vector<DbQuery*> queries;
    std::vector<DbStatement*> statements;
    isc_tr_handle abandoned = 0;  // failed work whose rollback failed; never committed

    void CloseBound() noexcept;
    void End(bool commit);
    // Tries the rollback of the abandoned transaction again; it stays abandoned on failure.
    void RetryAbandoned() noexcept;
    // Ends with the default action; a failure falls back to a rollback attempt. The
    // transaction counts as ended afterwards whatever the server answered.
    void ForceEnd() noexcept;
};

struct DbQuery::Impl {
    DbQuery* self = nullptr;
    DbConnection* database = nullptr;
    DbTransaction* transaction = nullptr;
    std::string name;
    std::string text;
    DsqlStatement statement;
    bool open = false;
    std::vector<Column> columns;
    RowCache rows;
    std::size_t current = 0;
    bool eof = true;
    bool exhausted = true;  // the server has no further rows

    void Run(const std::string& sql, bool openCursor);
    void OpenResult();
    void CloseNoThrow() noexcept;
    const Column& FindColumn(const std::string& column) const;
    const Column& ColumnAt(int index) const;
    std::string Text(const Column& column) const;
    const char* CurrentRow() const;
};

struct DbStatement::Impl {
    DbStatement* self = nullptr;
    DbConnection* database = nullptr;
    DbTransaction* transaction = nullptr;
    std::string text;
    DsqlStatement statement;
};

// Marks a blocking client call on a connection for its duration, so that another thread can see
// how long it has waited and cancel it.
class CallInFlight {
public:
    CallInFlight(DbConnection& connection, const std::string& sql);
    ~CallInFlight();
    CallInFlight(const CallInFlight&) = delete;
    CallInFlight& operator=(const CallInFlight&) = delete;

private:
    DbConnection& connection_;
};

// Registration between the objects: both sides are updated together.
void Link(DbConnection* connection, DbTransaction* transaction);
void Unlink(DbConnection* connection, DbTransaction* transaction);

template <typename T>
void AddUnique(std::vector<T*>& list, T* item) {
    for (T* p : list)
        if (p == item) return;
    list.push_back(item);
}

template <typename T>
void RemoveItem(std::vector<T*>& list, T* item) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == item) {
            list.erase(it);
            return;
        }
    }
}

}  // namespace db
