// A stand-in for the Firebird client library in tests (see FaultyClientControl.h). Every entry
// point is libfbclient's own (this library links it, so a lookup by name through this one finds
// them), except those below, which fail, stall or end the process as the test's settings in
// posfix_stand_in ask, and otherwise pass the call on to the real library.
#include <dlfcn.h>
#include <ibase.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "FaultyClientControl.h"

extern "C" {
testing_support::StandInState posfix_stand_in;
}

namespace {

testing_support::StandInState& state = posfix_stand_in;
// A slow call is cancelled from the window's thread while the tool's worker waits in it.
std::atomic<bool> slowCallUnderWay{false};
std::atomic<bool> cancelRaised{false};

// Waits up to `ms`; returns false when a cancel cut the wait short.
bool SlowCall(int ms, bool cancellable) {
    cancelRaised = false;
    slowCallUnderWay = true;
    ++state.slowCallsStarted;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool completed = true;
    while (std::chrono::steady_clock::now() < end) {
        if (cancellable && cancelRaised) {
            completed = false;
            ++state.slowCallsCancelled;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    slowCallUnderWay = false;
    return completed;
}

// The real library's entry point of that name.
template <typename Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(
        dlsym(dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD), name));
}

const ISC_STATUS kOk[] = {isc_arg_gds, 0, isc_arg_end};

ISC_STATUS Fail(ISC_STATUS* status, const ISC_STATUS* failure) {
    const ISC_STATUS code = failure[1];
    do *status++ = *failure;
    while (*failure++ != isc_arg_end);
    return code;
}

}  // namespace

extern "C" {

// A stalled backup output: the query answers after 0.2 s with no line yet, as the server does
// while it writes a large table.
ISC_STATUS ISC_EXPORT isc_service_query(ISC_STATUS* status, isc_svc_handle* service,
                                        isc_resv_handle* reserved, unsigned short sendLength,
                                        const ISC_SCHAR* send, unsigned short requestLength,
                                        const ISC_SCHAR* request, unsigned short bufferLength,
                                        ISC_SCHAR* buffer) {
    const ISC_SCHAR nothingYet[] = {isc_info_svc_line, 0, 0, isc_info_svc_timeout, isc_info_end};
    const ISC_SCHAR ended[] = {isc_info_svc_line, 0, 0, isc_info_end};
    if (state.queriesBeforeEnd == 0 && bufferLength >= sizeof ended) {
        state.queriesBeforeEnd = -1;
        std::memcpy(buffer, ended, sizeof ended);
        return Fail(status, kOk);
    }
    if (state.queriesBeforeEnd > 0) --state.queriesBeforeEnd;
    if (state.stalledQueries > 0 && bufferLength >= sizeof nothingYet) {
        --state.stalledQueries;
        ++state.slowCallsStarted;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::memcpy(buffer, nothingYet, sizeof nothingYet);
        return Fail(status, kOk);
    }
    static const auto real = Real<decltype(&isc_service_query)>("isc_service_query");
    return real(status, service, reserved, sendLength, send, requestLength, request, bufferLength,
                buffer);
}

// Fails with the server's answer to a cancelled call when the slow fetch is cut short.
ISC_STATUS ISC_EXPORT isc_dsql_fetch(ISC_STATUS* status, isc_stmt_handle* statement,
                                     unsigned short version, const XSQLDA* sqlda) {
    if (const int delay = state.fetchDelayMs.exchange(0); delay > 0 && !SlowCall(delay, true)) {
        const ISC_STATUS failure[] = {isc_arg_gds, isc_cancelled, isc_arg_end};
        return Fail(status, failure);
    }
    if (state.failNextFetch.exchange(false)) {
        const ISC_STATUS failure[] = {isc_arg_gds, isc_random, isc_arg_string,
                                      reinterpret_cast<ISC_STATUS>("refused by the stand-in"),
                                      isc_arg_end};
        return Fail(status, failure);
    }
    static const auto real = Real<decltype(&isc_dsql_fetch)>("isc_dsql_fetch");
    return real(status, statement, version, sqlda);
}

// A raise during a slow call cancels it here; anything else goes to the server.
ISC_STATUS ISC_EXPORT fb_cancel_operation(ISC_STATUS* status, isc_db_handle* database,
                                          ISC_USHORT option) {
    if (slowCallUnderWay && option == fb_cancel_raise) {
        cancelRaised = true;
        return Fail(status, kOk);
    }
    static const auto real = Real<decltype(&fb_cancel_operation)>("fb_cancel_operation");
    return real(status, database, option);
}

// Ends the process, as a kill would, once the commit that brings the count to 0 has succeeded.
ISC_STATUS ISC_EXPORT isc_commit_transaction(ISC_STATUS* status, isc_tr_handle* transaction) {
    static const auto real = Real<decltype(&isc_commit_transaction)>("isc_commit_transaction");
    const ISC_STATUS result = real(status, transaction);
    if (result == 0 && state.commitsBeforeExit > 0 && --state.commitsBeforeExit == 0) _exit(9);
    return result;
}

// Fails as on a lost attachment.
ISC_STATUS ISC_EXPORT isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* transaction) {
    if (state.rollbackFailures > 0) {
        --state.rollbackFailures;
        const ISC_STATUS failure[] = {isc_arg_gds, isc_att_shutdown, isc_arg_end};
        return Fail(status, failure);
    }
    static const auto real = Real<decltype(&isc_rollback_transaction)>("isc_rollback_transaction");
    const ISC_STATUS result = real(status, transaction);
    if (result == 0) ++state.rollbacksSent;
    return result;
}

// Fails with the server's answer to a detach that still has open transactions.
// A slow detach cannot be cancelled, as the server's cannot.
ISC_STATUS ISC_EXPORT isc_detach_database(ISC_STATUS* status, isc_db_handle* database) {
    if (const int delay = state.detachDelayMs.exchange(0); delay > 0) SlowCall(delay, false);
    if (state.detachFailures > 0) {
        --state.detachFailures;
        const ISC_STATUS failure[] = {isc_arg_gds, isc_open_trans, isc_arg_number, 1, isc_arg_end};
        return Fail(status, failure);
    }
    static const auto real = Real<decltype(&isc_detach_database)>("isc_detach_database");
    return real(status, database);
}

}  // extern "C"
