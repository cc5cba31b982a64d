#pragma once

// Control of the client library stand-in built from FailingRollback.cpp.
extern "C" {

// The next `count` rollbacks fail as on a lost attachment ("connection shutdown") without
// reaching the server. Returns how many failures of the previous request were still unused.
int posfix_fail_rollbacks(int count);
}
