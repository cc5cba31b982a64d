// Stands in for the client library in tests: isc_rollback_transaction fails on request with the
// status a lost attachment gives; every other entry point, and every rollback not asked to fail,
// is the real library's, which this one links.
#include "tests/datefix/FailingRollback.h"

#include <dlfcn.h>
#include <ibase.h>

namespace {

int failuresLeft = 0;

}  // namespace

extern "C" {

int posfix_fail_rollbacks(int count) {
    const int unused = failuresLeft;
    failuresLeft = count;
    return unused;
}

ISC_STATUS ISC_EXPORT isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* transaction) {
    if (failuresLeft > 0) {
        --failuresLeft;
        status[0] = isc_arg_gds;
        status[1] = isc_att_shutdown;
        status[2] = isc_arg_end;
        return status[1];
    }
    using Rollback = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*);
    static const Rollback real = reinterpret_cast<Rollback>(
        dlsym(dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD), "isc_rollback_transaction"));
    return real(status, transaction);
}
}
