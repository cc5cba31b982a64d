// A stand-in for the Firebird client library: every entry point is libfbclient's own (this
// library depends on it, so a lookup by name through this library finds them), except
// isc_detach_database, which fails as often as posfix_fail_next_detaches asks, with the server's
// answer to a detach that still has open transactions.
#include <dlfcn.h>
#include <ibase.h>

namespace {

int failuresLeft = 0;

}  // namespace

extern "C" {

void posfix_fail_next_detaches(int count) {
    failuresLeft = count;
}

ISC_STATUS ISC_EXPORT isc_detach_database(ISC_STATUS* status, isc_db_handle* handle) {
    if (failuresLeft > 0) {
        --failuresLeft;
        const ISC_STATUS failure[] = {isc_arg_gds, isc_open_trans, isc_arg_number, 1, isc_arg_end};
        for (ISC_STATUS item : failure) *status++ = item;
        return isc_open_trans;
    }
    using Detach = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*);
    static const auto real = reinterpret_cast<Detach>(dlsym(RTLD_NEXT, "isc_detach_database"));
    return real(status, handle);
}

}  // extern "C"
