#include "tests/support/FaultyClientControl.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "db/ClientLibrary.h"

namespace testing_support {
namespace {

// The stand-in's control function, found in the loaded stand-in.
template <typename Function>
Function Control(const char* name) {
    db::ClientLibrary::EnsureLoaded();
    void* library = dlopen(POSFIX_FAULTY_CLIENT, RTLD_NOW | RTLD_NOLOAD);
    if (!library) throw std::logic_error("the stand-in client library is not the one loaded");
    const auto function = reinterpret_cast<Function>(dlsym(library, name));
    dlclose(library);
    if (!function) throw std::logic_error(std::string("the stand-in lacks ") + name);
    return function;
}

}  // namespace

void UseFaultyClient() {
    db::ClientLibrary::SetFileNamesForTesting(POSFIX_FAULTY_CLIENT);
}

int FailNextRollbacks(int count) {
    return Control<int (*)(int)>("posfix_fail_next_rollbacks")(count);
}

void FailNextDetaches(int count) {
    Control<void (*)(int)>("posfix_fail_next_detaches")(count);
}

void ExitAfterCommits(int count) {
    Control<void (*)(int)>("posfix_exit_after_commits")(count);
}

void SlowNextFetch(int milliseconds) {
    Control<void (*)(int)>("posfix_slow_next_fetch")(milliseconds);
}

void FailNextFetch() {
    Control<void (*)()>("posfix_fail_next_fetch")();
}

void SlowNextDetach(int milliseconds) {
    Control<void (*)(int)>("posfix_slow_next_detach")(milliseconds);
}

void StallNextBackup(int queries) {
    Control<void (*)(int)>("posfix_stall_next_backup")(queries);
}

void EndBackupOutputAfter(int queries) {
    Control<void (*)(int)>("posfix_end_backup_output_after")(queries);
}

int SlowCallsStarted() {
    return Control<int (*)()>("posfix_slow_calls_started")();
}

int SlowCallsCancelled() {
    return Control<int (*)()>("posfix_slow_calls_cancelled")();
}

int RollbacksSent() {
    return Control<int (*)()>("posfix_rollbacks_sent")();
}

}  // namespace testing_support
