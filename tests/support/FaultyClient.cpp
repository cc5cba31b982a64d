// A stand-in for the Firebird client library in tests. Every entry point is libfbclient's own
// (this library links it, so a lookup by name through this one finds them), except the rollback
// and the detach: each fails as often as a test asks, without reaching the server, and otherwise
// passes the call on to the real library.
#include <dlfcn.h>
#include <ibase.h>

namespace {

int rollbackFailuresLeft = 0;
int detachFailuresLeft = 0;

// The real library's entry point of that name.
template <typename Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(
        dlsym(dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD), name));
}

ISC_STATUS Fail(ISC_STATUS* status, const ISC_STATUS* failure) {
    const ISC_STATUS code = failure[1];
    do *status++ = *failure;
    while (*failure++ != isc_arg_end);
    return code;
}

}  // namespace

extern "C" {

int posfix_fail_next_rollbacks(int count) {
    const int unused = rollbackFailuresLeft;
    rollbackFailuresLeft = count;
    return unused;
}

void posfix_fail_next_detaches(int count) {
    detachFailuresLeft = count;
}

// Fails as on a lost attachment.
ISC_STATUS ISC_EXPORT isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* transaction) {
    if (rollbackFailuresLeft > 0) {
        --rollbackFailuresLeft;
        const ISC_STATUS failure[] = {isc_arg_gds, isc_att_shutdown, isc_arg_end};
        return Fail(status, failure);
    }
    using Rollback = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*);
    static const Rollback real = Real<Rollback>("isc_rollback_transaction");
    return real(status, transaction);
}

// Fails with the server's answer to a detach that still has open transactions.
ISC_STATUS ISC_EXPORT isc_detach_database(ISC_STATUS* status, isc_db_handle* database) {
    if (detachFailuresLeft > 0) {
        --detachFailuresLeft;
        const ISC_STATUS failure[] = {isc_arg_gds, isc_open_trans, isc_arg_number, 1, isc_arg_end};
        return Fail(status, failure);
    }
    using Detach = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*);
    static const Detach real = Real<Detach>("isc_detach_database");
    return real(status, database);
}

}  // extern "C"
