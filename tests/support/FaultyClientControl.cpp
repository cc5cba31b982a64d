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

// Each control passes its argument, if any, to the stand-in's function of the given name.
#define POSFIX_CONTROL(Result, Name, symbol)            \
    Result Name(int value) {                            \
        return Control<Result (*)(int)>(symbol)(value); \
    }
#define POSFIX_QUERY(Result, Name, symbol)      \
    Result Name() {                             \
        return Control<Result (*)()>(symbol)(); \
    }
POSFIX_CONTROL(int, FailNextRollbacks, "posfix_fail_next_rollbacks")
POSFIX_CONTROL(void, FailNextDetaches, "posfix_fail_next_detaches")
POSFIX_CONTROL(void, ExitAfterCommits, "posfix_exit_after_commits")
POSFIX_CONTROL(void, SlowNextFetch, "posfix_slow_next_fetch")
POSFIX_CONTROL(void, SlowNextDetach, "posfix_slow_next_detach")
POSFIX_CONTROL(void, StallNextBackup, "posfix_stall_next_backup")
POSFIX_CONTROL(void, EndBackupOutputAfter, "posfix_end_backup_output_after")
POSFIX_QUERY(void, FailNextFetch, "posfix_fail_next_fetch")
POSFIX_QUERY(int, SlowCallsStarted, "posfix_slow_calls_started")
POSFIX_QUERY(int, SlowCallsCancelled, "posfix_slow_calls_cancelled")
POSFIX_QUERY(int, RollbacksSent, "posfix_rollbacks_sent")

}  // namespace testing_support
