#include "tests/support/FaultyClientControl.h"

#include <dlfcn.h>

#include <stdexcept>

#include "db/ClientLibrary.h"

namespace testing_support {
namespace {

// The state of the loaded stand-in.
StandInState& StandIn() {
    db::ClientLibrary::EnsureLoaded();
    void* library = dlopen(POSFIX_FAULTY_CLIENT, RTLD_NOW | RTLD_NOLOAD);
    if (!library) throw std::logic_error("the stand-in client library is not the one loaded");
    void* state = dlsym(library, "posfix_stand_in");
    dlclose(library);
    if (!state) throw std::logic_error("the stand-in lacks its state");
    return *static_cast<StandInState*>(state);
}

}  // namespace

void UseFaultyClient() {
    db::ClientLibrary::SetFileNamesForTesting(POSFIX_FAULTY_CLIENT);
}

int FailNextRollbacks(int count) {
    return StandIn().rollbackFailures.exchange(count);
}

void FailNextFetch() {
    StandIn().failNextFetch = true;
}

// Each of these sets, or reads, one field of the stand-in's state.
#define POSFIX_SET(Name, field)  \
    void Name(int value) {       \
        StandIn().field = value; \
    }
#define POSFIX_COUNT(Name, field) \
    int Name() {                  \
        return StandIn().field;   \
    }
POSFIX_SET(FailNextDetaches, detachFailures)
POSFIX_SET(ExitAfterCommits, commitsBeforeExit)
POSFIX_SET(SlowNextFetch, fetchDelayMs)
POSFIX_SET(SlowNextDetach, detachDelayMs)
POSFIX_SET(StallNextBackup, stalledQueries)
POSFIX_SET(EndBackupOutputAfter, queriesBeforeEnd)
POSFIX_COUNT(SlowCallsStarted, slowCallsStarted)
POSFIX_COUNT(SlowCallsCancelled, slowCallsCancelled)
POSFIX_COUNT(RollbacksSent, rollbacksSent)

}  // namespace testing_support
