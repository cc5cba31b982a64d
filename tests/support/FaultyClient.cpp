// A stand-in for the Firebird client library in tests. Every entry point is libfbclient's own
// (this library links it, so a lookup by name through this one finds them), except the rollback
// and the detach, which fail as often as a test asks without reaching the server, and the commit,
// which can end the process right after the server committed. Otherwise each passes the call on
// to the real library.
#include <dlfcn.h>
#include <ibase.h>
#include <unistd.h>

namespace {

int rollbackFailuresLeft = 0;
int detachFailuresLeft = 0;
int commitsBeforeExit = 0;

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

void posfix_exit_after_commits(int count) {
    commitsBeforeExit = count;
}

// Ends the process, as a kill would, once the commit that brings the count to 0 has succeeded.
ISC_STATUS ISC_EXPORT isc_commit_transaction(ISC_STATUS* status, isc_tr_handle* transaction) {
    using Commit = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*);
    static const Commit real = Real<Commit>("isc_commit_transaction");
    const ISC_STATUS result = real(status, transaction);
    if (result == 0 && commitsBeforeExit > 0 && --commitsBeforeExit == 0) _exit(9);
    return result;
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
