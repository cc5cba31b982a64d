#include "db/DbQuery.h"

#include <atomic>

#include "db/ClientLibrary.h"
#include "db/DbError.h"
#include "db/DbInternal.h"
#include "db/ParameterMarkers.h"

namespace db {

namespace {

bool IsBlank(const std::string& text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') return false;
    return true;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// Cursor names must differ between the open cursors of one attachment.
std::string NextCursorName() {
    static std::atomic<unsigned long> counter{0};
    return "posfix_cursor_" + std::to_string(++counter);
}

}  // namespace

void DbQuery::Impl::CloseNoThrow() noexcept {
    statement.Free();
    open = false;
    columns.clear();
    rows.Reset(0);
    current = 0;
    eof = true;
    exhausted = true;
}

void DbQuery::Impl::Run(const std::string& sql, bool openCursor) {
    CloseNoThrow();
    text = sql;
    if (text.empty()) throw DbError("Empty SQL Statement");
    if (!database) throw DbError("Database not assigned");
    if (!transaction) throw DbError("Transaction not assigned");
    if (!database->IsConnected()) database->Connect();
    if (!transaction->InTransaction()) transaction->StartTransaction();
    if (IsBlank(text)) throw DbError("Empty SQL Statement");
    const std::string serverText = ReplaceParameterMarkers(text);

    const unsigned short dialect = static_cast<unsigned short>(database->Dialect());
    isc_tr_handle* trHandle = &Internals(*transaction).handle;
    const CallInFlight call(*database, serverText);
    try {
        statement.Prepare(&Internals(*database).handle, trHandle, serverText, dialect);
        const int type = statement.Type();
        if (IsForbiddenStatementType(type)) throw DbError("Not permitted");
        statement.DescribeParameters();
        if (IsSelectType(type) || type == isc_info_sql_stmt_exec_procedure)
            statement.DescribeColumns();
        if (!openCursor) {
            if (IsSelectType(type)) throw DbError("use Open for a Select Statement");
            statement.Execute(trHandle, dialect);
            statement.Free();
            return;
        }
        statement.Execute(trHandle, dialect);
        OpenResult();
    } catch (...) {
        CloseNoThrow();
        throw;
    }
}

// After the statement of OpenQuery has run: a SELECT becomes a named cursor with its first row
// fetched; a procedure call has its one output row; anything else opens with no rows.
void DbQuery::Impl::OpenResult() {
    const int type = statement.Type();
    columns = statement.Columns();
    rows.Reset(statement.RowSize());
    open = true;
    current = 0;
    eof = true;
    exhausted = true;
    if (IsSelectType(type)) {
        statement.SetCursorName(NextCursorName());
        exhausted = false;
        if (statement.Fetch()) {
            rows.Append(statement.RowBuffer());
            eof = false;
        } else {
            exhausted = true;
        }
    } else if (type == isc_info_sql_stmt_exec_procedure && !columns.empty()) {
        rows.Append(statement.RowBuffer());
        eof = false;
    }
}

const Column& DbQuery::Impl::FindColumn(const std::string& column) const {
    for (const Column& c : columns)
        if (SameNameIgnoringCase(c.name, column)) return c;
    std::string message = "Field '" + column + "' not found";
    if (!name.empty()) message = name + ": " + message;
    throw DbError(message);
}

const Column& DbQuery::Impl::ColumnAt(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= columns.size())
        throw DbError("Field index " + std::to_string(index) + " out of range");
    return columns[static_cast<std::size_t>(index)];
}

std::string DbQuery::Impl::Text(const Column& column) const {
    const char* row = CurrentRow();
    if (!row || ColumnIsNull(column, row)) return {};
    return ColumnText(column, row);
}

const char* DbQuery::Impl::CurrentRow() const {
    if (!open || rows.Count() == 0) return nullptr;
    return rows.Row(current);
}

DbQuery::Impl& Internals(DbQuery& object) {
    return *object.impl_;
}

DbQuery::DbQuery(DbConnection* database, DbTransaction* transaction, std::string name) {
    ClientLibrary::EnsureLoaded();
    impl_ = std::make_unique<Impl>();
    impl_->self = this;
    impl_->database = database;
    impl_->transaction = transaction;
    impl_->name = std::move(name);
    if (database) AddUnique(Internals(*database).queries, this);
    if (transaction) AddUnique(Internals(*transaction).queries, this);
}

DbQuery::~DbQuery() {
    Impl& d = *impl_;
    d.CloseNoThrow();
    if (d.database) RemoveItem(Internals(*d.database).queries, this);
    if (d.transaction) RemoveItem(Internals(*d.transaction).queries, this);
}

void DbQuery::OpenQuery(const std::string& sql) {
    impl_->Run(sql, true);
}

void DbQuery::ExecuteSql(const std::string& sql) {
    impl_->Run(sql, false);
}

void DbQuery::Close() {
    impl_->CloseNoThrow();
}

bool DbQuery::IsOpen() const {
    return impl_->open;
}

bool DbQuery::HasRows() const {
    return impl_->open && impl_->rows.Count() > 0;
}

bool DbQuery::Eof() const {
    return impl_->eof;
}

void DbQuery::Next() {
    Impl& d = *impl_;
    if (!d.open || d.eof) return;
    if (d.current + 1 < d.rows.Count()) {
        ++d.current;
        return;
    }
    if (!d.exhausted) {
        bool fetched;
        try {
            const CallInFlight call(*d.database, d.text);
            fetched = d.statement.Fetch();
        } catch (...) {
            d.exhausted = true;
            throw;
        }
        if (fetched) {
            d.rows.Append(d.statement.RowBuffer());
            ++d.current;
            return;
        }
        d.exhausted = true;
    }
    d.eof = true;
}

void DbQuery::First() {
    Impl& d = *impl_;
    if (!d.open) return;
    d.current = 0;
    d.eof = d.rows.Count() == 0;
}

std::string DbQuery::FieldText(const std::string& column) const {
    const Impl& d = *impl_;
    return d.Text(d.FindColumn(column));
}

std::int32_t DbQuery::FieldInt(const std::string& column) const {
    const Impl& d = *impl_;
    const Column& c = d.FindColumn(column);
    const char* row = d.CurrentRow();
    if (!row) return 0;
    return ColumnInt(c, row);
}

int DbQuery::FieldCount() const {
    return static_cast<int>(impl_->columns.size());
}

std::string DbQuery::FieldTextAt(int index) const {
    const Impl& d = *impl_;
    return d.Text(d.ColumnAt(index));
}

std::string DbQuery::FieldBytesAt(int index) const {
    const Impl& d = *impl_;
    const Column& column = d.ColumnAt(index);
    const char* row = d.CurrentRow();
    return row ? ColumnBytes(column, row) : std::string();
}

bool DbQuery::FieldIsNullAt(int index) const {
    const Impl& d = *impl_;
    const char* row = d.CurrentRow();
    return !row || ColumnIsNull(d.ColumnAt(index), row);
}

DbTransaction* DbQuery::Transaction() const {
    return impl_->transaction;
}

DbConnection* DbQuery::Database() const {
    return impl_->database;
}

}  // namespace db
