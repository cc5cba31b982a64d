#pragma once

namespace testing_support {

// Tests that run on the stand-in client library of FaultyClient.cpp. UseFaultyClient() makes it
// the library that every database object loads; call it before the first one is created. A loaded
// client library stays for the process, so such tests are a program of their own.
void UseFaultyClient();

// The next `count` rollbacks fail as on a lost attachment; returns how many failures of the
// previous request were not used.
int FailNextRollbacks(int count);

// The next `count` detaches fail with "cannot disconnect database with open transactions".
void FailNextDetaches(int count);

// The process ends with exit code 9, without any clean-up, right after its `count`th commit from
// now on has succeeded.
void ExitAfterCommits(int count);

}  // namespace testing_support
