#include "db/DbQuery.h"

#include <atomic>
#include <cstring>

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
    isc_tr_handle* trHandle = &transaction->impl().handle;
    try {
        statement.Prepare(&database->impl().handle, trHandle, serverText, dialect);
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
    if (column.type == SQL_BLOB) return BlobText(column, row);
    return ColumnText(column, row);
}

const char* DbQuery::Impl::CurrentRow() const {
    if (!open || rows.Count() == 0) return nullptr;
    return rows.Row(current);
}

std::string DbQuery::Impl::BlobText(const Column& column, const char* row) const {
    if (!database || !database->IsConnected() || !transaction || !transaction->InTransaction())
        throw DbError("Transaction is not active");
    const FbApi& api = Api();
    StatusVector status;
    ISC_QUAD id;
    std::memcpy(&id, row + column.offset, sizeof id);
    isc_blob_handle blob = 0;
    if (api.isc_open_blob2(status.get(), &database->impl().handle, &transaction->impl().handle,
                           &blob, &id, 0, nullptr))
        RaiseServerError(status.v);
    std::string content;
    char buffer[8192];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS result =
            api.isc_get_segment(status.get(), &blob, &got, sizeof buffer, buffer);
        if (result == 0 || result == isc_segment) {
            content.append(buffer, got);
            continue;
        }
        if (result == isc_segstr_eof) break;
        const std::string message = ServerErrorText(status.v);
        const int sqlCode = static_cast<int>(api.isc_sqlcode(status.v));
        const int engineCode = static_cast<int>(status.v[1]);
        StatusVector ignored;
        api.isc_close_blob(ignored.get(), &blob);
        throw DbError(message, sqlCode, engineCode);
    }
    api.isc_close_blob(status.get(), &blob);
    return content;
}

DbQuery::DbQuery(DbConnection* database, DbTransaction* transaction, std::string name) {
    ClientLibrary::EnsureLoaded();
    impl_ = std::make_unique<Impl>();
    impl_->self = this;
    impl_->database = database;
    impl_->transaction = transaction;
    impl_->name = std::move(name);
    if (database) AddUnique(database->impl().queries, this);
    if (transaction) AddUnique(transaction->impl().queries, this);
}

DbQuery::~DbQuery() {
    Impl& d = *impl_;
    d.CloseNoThrow();
    if (d.database) RemoveItem(d.database->impl().queries, this);
    if (d.transaction) RemoveItem(d.transaction->impl().queries, this);
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

bool DbQuery::FieldIsNull(const std::string& column) const {
    const Impl& d = *impl_;
    const Column& c = d.FindColumn(column);
    const char* row = d.CurrentRow();
    return !row || ColumnIsNull(c, row);
}

int DbQuery::FieldCount() const {
    return static_cast<int>(impl_->columns.size());
}

std::string DbQuery::FieldName(int index) const {
    return impl_->ColumnAt(index).name;
}

bool DbQuery::FieldIsBlob(int index) const {
    return impl_->ColumnAt(index).type == SQL_BLOB;
}

std::string DbQuery::FieldTextAt(int index) const {
    const Impl& d = *impl_;
    return d.Text(d.ColumnAt(index));
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
