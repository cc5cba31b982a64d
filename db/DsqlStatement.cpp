#include <algorithm>
#include <cstring>
#include <iterator>

#include "db/DbError.h"
#include "db/DbInternal.h"

namespace db {

namespace {

std::string ServerErrorText(const ISC_STATUS* status) {
    const FbApi& api = Api();
    std::string message;
    char buffer[1024];
    const ISC_STATUS* cursor = status;
    for (;;) {
        buffer[0] = '\0';
        ISC_LONG length;
        if (api.fb_interpret) {
            length = api.fb_interpret(buffer, sizeof buffer, &cursor);
        } else {
            // The older call takes no buffer size; 1024 bytes is more than any text it gives.
            ISC_STATUS* mutableCursor = const_cast<ISC_STATUS*>(cursor);
            length = api.isc_interprete(buffer, &mutableCursor);
            cursor = mutableCursor;
        }
        if (length <= 0) break;
        if (!message.empty() && message.back() != '\n') message += "\r\n";
        message.append(buffer, strnlen(buffer, sizeof buffer));
    }
    if (!message.empty() && message.back() == '.') message.pop_back();
    return message;
}

// The codes that say the attachment is gone: network errors, a lost connection, a shutdown.
constexpr ISC_STATUS kConnectionLost[] = {
    isc_network_error, isc_net_connect_err,    isc_net_read_err,       isc_net_write_err,
    isc_conn_lost,     isc_lost_db_connection, isc_bad_db_handle,      isc_shutdown,
    isc_shutinprog,    isc_att_shutdown,       isc_net_server_shutdown};

// Any error code of the vector may tell: a lost connection often comes after a first, general
// one. A cancel outranks the rest.
FailureCause CauseOf(const ISC_STATUS* status) {
    FailureCause cause = FailureCause::Other;
    for (int i = 0; i + 1 < ISC_STATUS_LENGTH && status[i] != isc_arg_end;) {
        const ISC_STATUS type = status[i];
        if (type == isc_arg_cstring) {  // a length and a pointer
            i += 3;
            continue;
        }
        const ISC_STATUS value = status[i + 1];
        i += 2;
        if (type != isc_arg_gds) continue;
        if (value == isc_cancelled) return FailureCause::Cancelled;
        if (std::find(std::begin(kConnectionLost), std::end(kConnectionLost), value) !=
            std::end(kConnectionLost))
            cause = FailureCause::ConnectionLost;
    }
    return cause;
}

}  // namespace

void RaiseServerError(const ISC_STATUS* status) {
    const int sqlCode = static_cast<int>(Api().isc_sqlcode(status));
    const int engineCode = static_cast<int>(status[1]);
    const FailureCause cause = CauseOf(status);
    std::string message = ServerErrorText(status);
    if (sqlCode == -551) throw DbNoPermission(message, sqlCode, engineCode, cause);
    throw DbError(message, sqlCode, engineCode, cause);
}

bool IsForbiddenStatementType(int type) {
    return type == isc_info_sql_stmt_get_segment || type == isc_info_sql_stmt_put_segment ||
           type == isc_info_sql_stmt_start_trans;
}

bool IsSelectType(int type) {
    return type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
}

void Sqlda::Resize(int count) {
    if (count < 1) count = 1;
    const std::size_t size = XSQLDA_LENGTH(count);
    storage_.reset(new unsigned char[size]);
    std::memset(storage_.get(), 0, size);
    get()->version = SQLDA_VERSION1;
    get()->sqln = static_cast<ISC_SHORT>(count);
}

void DsqlStatement::Prepare(isc_db_handle* database, isc_tr_handle* transaction,
                            const std::string& sql, unsigned short dialect) {
    Free();
    const FbApi& api = Api();
    StatusVector status;
    if (api.isc_dsql_alloc_statement2(status.get(), database, &handle_)) {
        handle_ = 0;
        RaiseServerError(status.v);
    }
    try {
        // A length of 0 makes the client read up to the terminating zero, for texts longer
        // than the length field can say.
        const unsigned short textLength =
            sql.size() > 0xFFFF ? 0 : static_cast<unsigned short>(sql.size());
        if (api.isc_dsql_prepare(status.get(), transaction, &handle_, textLength, sql.c_str(),
                                 dialect, nullptr))
            RaiseServerError(status.v);
        const ISC_SCHAR item = isc_info_sql_stmt_type;
        ISC_SCHAR reply[16] = {};
        if (api.isc_dsql_sql_info(status.get(), &handle_, 1, &item, sizeof reply, reply))
            RaiseServerError(status.v);
        if (reply[0] != isc_info_sql_stmt_type) throw DbError("Unknown statement type");
        const short length = static_cast<short>(api.isc_vax_integer(reply + 1, 2));
        if (length <= 0 || length > 4) throw DbError("Unknown statement type");
        type_ = static_cast<int>(api.isc_vax_integer(reply + 3, length));
    } catch (...) {
        Free();
        throw;
    }
}

void DsqlStatement::DescribeParameters() {
    const FbApi& api = Api();
    StatusVector status;
    in_.Resize(1);
    if (api.isc_dsql_describe_bind(status.get(), &handle_, SQLDA_VERSION1, in_.get()))
        RaiseServerError(status.v);
    const int count = in_.get()->sqld;
    if (count > in_.get()->sqln) {
        in_.Resize(count);
        if (api.isc_dsql_describe_bind(status.get(), &handle_, SQLDA_VERSION1, in_.get()))
            RaiseServerError(status.v);
    }
    // Every parameter goes out as NULL: a data area of the described size and an indicator
    // of -1.
    std::size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += static_cast<std::size_t>(in_.get()->sqlvar[i].sqllen) + 8;
    inData_.assign(total == 0 ? 1 : total, 0);
    inNull_.assign(count == 0 ? 1 : count, -1);
    std::size_t offset = 0;
    for (int i = 0; i < count; ++i) {
        XSQLVAR& var = in_.get()->sqlvar[i];
        var.sqltype = static_cast<ISC_SHORT>(var.sqltype | 1);
        var.sqldata = inData_.data() + offset;
        var.sqlind = &inNull_[i];
        offset += static_cast<std::size_t>(var.sqllen) + 8;
    }
}

void DsqlStatement::SetParameters(const std::vector<std::optional<std::string>>& values) {
    const int count = in_.get()->sqld;
    if (static_cast<int>(values.size()) != count)
        throw DbError("The statement takes " + std::to_string(count) + " parameters, not " +
                      std::to_string(values.size()));
    std::size_t total = 0;
    for (const std::optional<std::string>& value : values)
        if (value) total += value->size();
    inData_.assign(total == 0 ? 1 : total, 0);
    inNull_.assign(count == 0 ? 1 : count, -1);
    std::size_t offset = 0;
    for (int i = 0; i < count; ++i) {
        XSQLVAR& var = in_.get()->sqlvar[i];
        const std::optional<std::string>& value = values[static_cast<std::size_t>(i)];
        if (value && value->size() > 0x7FFF) throw DbError("Parameter value too long");
        // Text in no character set, as a literal in the statement's text would be.
        var.sqltype = SQL_TEXT | 1;
        var.sqlsubtype = 0;
        var.sqlscale = 0;
        var.sqllen = static_cast<ISC_SHORT>(value ? value->size() : 0);
        var.sqldata = inData_.data() + offset;
        var.sqlind = &inNull_[static_cast<std::size_t>(i)];
        if (value) {
            if (!value->empty()) std::memcpy(var.sqldata, value->data(), value->size());
            inNull_[static_cast<std::size_t>(i)] = 0;
            offset += value->size();
        }
    }
}

void DsqlStatement::DescribeColumns() {
    const FbApi& api = Api();
    StatusVector status;
    out_.Resize(1);
    if (api.isc_dsql_describe(status.get(), &handle_, SQLDA_VERSION1, out_.get()))
        RaiseServerError(status.v);
    const int count = out_.get()->sqld;
    if (count > out_.get()->sqln) {
        out_.Resize(count);
        if (api.isc_dsql_describe(status.get(), &handle_, SQLDA_VERSION1, out_.get()))
            RaiseServerError(status.v);
    }
    columns_.clear();
    columns_.reserve(count);
    std::size_t offset = 0;
    for (int i = 0; i < count; ++i) {
        XSQLVAR& var = out_.get()->sqlvar[i];
        Column column;
        column.name.assign(var.aliasname, static_cast<std::size_t>(var.aliasname_length));
        column.type = static_cast<short>(var.sqltype & ~1);
        column.subType = var.sqlsubtype;
        column.scale = var.sqlscale;
        column.length = var.sqllen;
        column.offset = offset;
        std::size_t size = static_cast<std::size_t>(static_cast<unsigned short>(var.sqllen));
        if (column.type == SQL_VARYING) size += 2;
        offset += (size + 7) & ~static_cast<std::size_t>(7);
        columns_.push_back(column);
    }
    for (Column& column : columns_) {
        column.nullOffset = offset;
        offset += sizeof(short);
    }
    row_.assign(offset == 0 ? 1 : offset, 0);
    for (int i = 0; i < count; ++i) {
        XSQLVAR& var = out_.get()->sqlvar[i];
        // Always ask for an indicator so that every row buffer carries it.
        var.sqltype = static_cast<ISC_SHORT>(var.sqltype | 1);
        var.sqldata = row_.data() + columns_[i].offset;
        var.sqlind = reinterpret_cast<short*>(row_.data() + columns_[i].nullOffset);
    }
}

void DsqlStatement::Execute(isc_tr_handle* transaction, unsigned short dialect) {
    const FbApi& api = Api();
    StatusVector status;
    XSQLDA* in = in_.get()->sqld > 0 ? in_.get() : nullptr;
    ISC_STATUS failed;
    if (type_ == isc_info_sql_stmt_exec_procedure) {
        XSQLDA* out = out_.get()->sqld > 0 ? out_.get() : nullptr;
        failed = api.isc_dsql_execute2(status.get(), transaction, &handle_, dialect, in, out);
    } else {
        failed = api.isc_dsql_execute(status.get(), transaction, &handle_, dialect, in);
    }
    if (failed) RaiseServerError(status.v);
}

void DsqlStatement::SetCursorName(const std::string& name) {
    StatusVector status;
    if (Api().isc_dsql_set_cursor_name(status.get(), &handle_, name.c_str(), 0))
        RaiseServerError(status.v);
}

bool DsqlStatement::Fetch() {
    StatusVector status;
    const ISC_STATUS result =
        Api().isc_dsql_fetch(status.get(), &handle_, SQLDA_VERSION1, out_.get());
    if (result == 100) return false;
    if (result) RaiseServerError(status.v);
    return true;
}

void DsqlStatement::CloseCursor() noexcept {
    if (!handle_) return;
    StatusVector status;
    Api().isc_dsql_free_statement(status.get(), &handle_, DSQL_close);
}

void DsqlStatement::Free() noexcept {
    if (handle_) {
        StatusVector status;
        Api().isc_dsql_free_statement(status.get(), &handle_, DSQL_drop);
        handle_ = 0;
    }
    type_ = 0;
    in_.get()->sqld = 0;
    out_.get()->sqld = 0;
    columns_.clear();
}

void RowCache::Reset(std::size_t rowSize) {
    chunks_.clear();
    count_ = 0;
    rowSize_ = rowSize == 0 ? 1 : rowSize;
}

void RowCache::Append(const char* row) {
    if (count_ == CapacityRows()) chunks_.emplace_back(new char[kChunkRows * rowSize_]);
    std::memcpy(chunks_[count_ / kChunkRows].get() + (count_ % kChunkRows) * rowSize_, row,
                rowSize_);
    ++count_;
}

}  // namespace db
