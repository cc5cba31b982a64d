#pragma once

// Control of the client library stand-in built from FailingRollback.cpp, looked up in the loaded
// library: the next `count` rollbacks fail as on a lost attachment ("connection shutdown")
// without reaching the server. Returns how many failures of the previous request were unused.
extern "C" int posfix_fail_rollbacks(int count);
