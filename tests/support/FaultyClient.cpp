// A stand-in for the Firebird client library in tests. Every entry point is libfbclient's own
// (this library links it, so a lookup by name through this one finds them), except the rollback
// and the detach, which fail as often as a test asks without reaching the server, the commit,
// which can end the process right after the server committed, the fetch and the detach, which
// can be slow on request: a slow fetch ends early as cancelled when the call is cancelled through
// this library (a slow server query, which the server could not drop at once), and the service
// query, whose backup output can stall. Otherwise each passes the call on to the real library.
#include <dlfcn.h>
#include <ibase.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace {

int rollbackFailuresLeft = 0;
int detachFailuresLeft = 0;
int commitsBeforeExit = 0;

// Slow calls: the next fetch or detach takes this long; set by the test's thread, read by the
// tool's worker, cancelled from the window's thread.
std::atomic<int> fetchDelayMs{0};
std::atomic<bool> failNextFetch{false};
std::atomic<int> detachDelayMs{0};
std::atomic<bool> slowCallUnderWay{false};
std::atomic<bool> cancelRaised{false};
std::atomic<int> slowCallsStarted{0};
std::atomic<int> slowCallsCancelled{0};
std::atomic<int> rollbacksSent{0};

std::atomic<int> stalledQueries{0};     // of the backup's output
std::atomic<int> queriesBeforeEnd{-1};  // of the backup's output, then it ends; -1: never

// Waits up to `ms`; returns false when a cancel cut the wait short.
bool SlowCall(int ms, bool cancellable) {
    cancelRaised = false;
    slowCallUnderWay = true;
    ++slowCallsStarted;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool completed = true;
    while (std::chrono::steady_clock::now() < end) {
        if (cancellable && cancelRaised) {
            completed = false;
            ++slowCallsCancelled;
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

int posfix_fail_next_rollbacks(int count) {
    return std::exchange(rollbackFailuresLeft, count);
}

// clang-format off
void posfix_fail_next_detaches(int value) { detachFailuresLeft = value; }
void posfix_exit_after_commits(int value) { commitsBeforeExit = value; }
void posfix_slow_next_fetch(int value) { fetchDelayMs = value; }
void posfix_slow_next_detach(int value) { detachDelayMs = value; }
void posfix_stall_next_backup(int value) { stalledQueries = value; }
void posfix_end_backup_output_after(int value) { queriesBeforeEnd = value; }
int posfix_slow_calls_started() { return slowCallsStarted; }
int posfix_slow_calls_cancelled() { return slowCallsCancelled; }
int posfix_rollbacks_sent() { return rollbacksSent; }
// clang-format on

void posfix_fail_next_fetch() {
    failNextFetch = true;
}

// A stalled backup output: the query answers after 0.2 s with no line yet, as the server does
// while it writes a large table.
ISC_STATUS ISC_EXPORT isc_service_query(ISC_STATUS* status, isc_svc_handle* service,
                                        isc_resv_handle* reserved, unsigned short sendLength,
                                        const ISC_SCHAR* send, unsigned short requestLength,
                                        const ISC_SCHAR* request, unsigned short bufferLength,
                                        ISC_SCHAR* buffer) {
    const ISC_SCHAR nothingYet[] = {isc_info_svc_line, 0, 0, isc_info_svc_timeout, isc_info_end};
    const ISC_SCHAR ended[] = {isc_info_svc_line, 0, 0, isc_info_end};
    if (queriesBeforeEnd == 0 && bufferLength >= sizeof ended) {
        queriesBeforeEnd = -1;
        std::memcpy(buffer, ended, sizeof ended);
        return Fail(status, kOk);
    }
    if (queriesBeforeEnd > 0) --queriesBeforeEnd;
    if (stalledQueries > 0 && bufferLength >= sizeof nothingYet) {
        --stalledQueries;
        ++slowCallsStarted;
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
    if (const int delay = fetchDelayMs.exchange(0); delay > 0 && !SlowCall(delay, true)) {
        const ISC_STATUS failure[] = {isc_arg_gds, isc_cancelled, isc_arg_end};
        return Fail(status, failure);
    }
    if (failNextFetch.exchange(false)) {
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
    static const auto real = Real<decltype(&isc_rollback_transaction)>("isc_rollback_transaction");
    const ISC_STATUS result = real(status, transaction);
    if (result == 0) ++rollbacksSent;
    return result;
}

// Fails with the server's answer to a detach that still has open transactions.
// A slow detach cannot be cancelled, as the server's cannot.
ISC_STATUS ISC_EXPORT isc_detach_database(ISC_STATUS* status, isc_db_handle* database) {
    if (const int delay = detachDelayMs.exchange(0); delay > 0) SlowCall(delay, false);
    if (detachFailuresLeft > 0) {
        --detachFailuresLeft;
        const ISC_STATUS failure[] = {isc_arg_gds, isc_open_trans, isc_arg_number, 1, isc_arg_end};
        return Fail(status, failure);
    }
    static const auto real = Real<decltype(&isc_detach_database)>("isc_detach_database");
    return real(status, database);
}

}  // extern "C"
