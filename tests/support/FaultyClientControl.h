#pragma once

#include <atomic>

namespace testing_support {

// What the stand-in client library of FaultyClient.cpp is asked to do and what it has counted:
// its exported posfix_stand_in.
struct StandInState {
    std::atomic<int> rollbackFailures{0};
    std::atomic<int> detachFailures{0};
    std::atomic<int> commitsBeforeExit{0};
    std::atomic<int> fetchDelayMs{0};
    std::atomic<bool> failNextFetch{false};
    std::atomic<int> detachDelayMs{0};
    std::atomic<int> stalledQueries{0};     // of the backup's output
    std::atomic<int> queriesBeforeEnd{-1};  // of the backup's output, then it ends; -1: never
    std::atomic<int> slowCallsStarted{0};
    std::atomic<int> slowCallsCancelled{0};
    std::atomic<int> rollbacksSent{0};
};

// Makes the stand-in the library that every database object loads; call it before the first one
// is created. A loaded client library stays for the process, so such tests are a program of
// their own.
void UseFaultyClient();
// The state of the loaded stand-in.
StandInState& StandIn();

// The next `count` rollbacks fail as on a lost attachment; returns how many failures of the
// previous request were not used.
inline int FailNextRollbacks(int count) {
    return StandIn().rollbackFailures.exchange(count);
}
// The next `count` detaches fail with "cannot disconnect database with open transactions".
inline void FailNextDetaches(int count) {
    StandIn().detachFailures = count;
}
// The process ends with exit code 9, without any clean-up, right after its `count`th commit from
// now on has succeeded.
inline void ExitAfterCommits(int count) {
    StandIn().commitsBeforeExit = count;
}
// The next fetch takes `milliseconds`, unless the call is cancelled meanwhile: then it fails at
// once with "operation was cancelled" (isc_cancelled).
inline void SlowNextFetch(int milliseconds) {
    StandIn().fetchDelayMs = milliseconds;
}
// The next fetch fails with a server error that is neither a cancel nor a lost connection.
inline void FailNextFetch() {
    StandIn().failNextFetch = true;
}
// The next detach takes `milliseconds` before it goes to the server; a cancel does not end it.
inline void SlowNextDetach(int milliseconds) {
    StandIn().detachDelayMs = milliseconds;
}
// The next `queries` service queries of a backup take 0.2 s each and read no line, as while the
// server writes a large table; each counts as a slow call, which a cancel does not end.
inline void StallNextBackup(int queries) {
    StandIn().stalledQueries = queries;
}
// After `queries` more service queries of a backup, the output ends as if the backup had
// finished, without its last line that tells the bytes written.
inline void EndBackupOutputAfter(int queries) {
    StandIn().queriesBeforeEnd = queries;
}
// How many slow calls have begun, and how many of them a cancel ended.
inline int SlowCallsStarted() {
    return StandIn().slowCallsStarted;
}
inline int SlowCallsCancelled() {
    return StandIn().slowCallsCancelled;
}
// How many rollbacks the server has carried out.
inline int RollbacksSent() {
    return StandIn().rollbacksSent;
}

}  // namespace testing_support
