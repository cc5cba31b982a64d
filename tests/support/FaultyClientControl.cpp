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

void FailNextDetaches(int value) {
    StandIn().detachFailures = value;
}

void ExitAfterCommits(int value) {
    StandIn().commitsBeforeExit = value;
}

void SlowNextFetch(int value) {
    StandIn().fetchDelayMs = value;
}

void SlowNextDetach(int value) {
    StandIn().detachDelayMs = value;
}

void StallNextBackup(int value) {
    StandIn().stalledQueries = value;
}

void EndBackupOutputAfter(int value) {
    StandIn().queriesBeforeEnd = value;
}

int SlowCallsStarted() {
    return StandIn().slowCallsStarted;
}

int SlowCallsCancelled() {
    return StandIn().slowCallsCancelled;
}

int RollbacksSent() {
    return StandIn().rollbacksSent;
}

}  // namespace testing_support
