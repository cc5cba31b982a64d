#pragma once

#include <sys/types.h>

#include <string>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "tests/support/TestDatabase.h"

namespace datefix_test {

// A single-date move in a child process (datefix_move_child), to be stopped the hard way. mode:
// "scripted" or "window"; exitAfterCommits > 0 runs it on the stand-in client library, which ends
// it right after that many commits.
class MoveChild {
public:
    MoveChild(const std::string& mode, const std::string& database, const std::string& journalDir,
              const std::string& traceDir, const std::string& wrongDate,
              const std::string& targetDate, int exitAfterCommits = 0);
    ~MoveChild() { Kill(); }
    MoveChild(const MoveChild&) = delete;
    MoveChild& operator=(const MoveChild&) = delete;

    void Kill();  // SIGKILL, then waits for it
    int Wait();   // its exit code, or 128 + the signal that ended it

private:
    pid_t pid_ = -1;
};

// An uncommitted update on an attachment of its own: the rows it changed stay locked until
// Release (a rollback, or a commit) or its end.
class HeldRows {
public:
    HeldRows(const std::string& database, const std::string& update);
    void Release(bool commit = false);

private:
    db::DbConnection connection_;
    db::DbTransaction transaction_;
    db::DbQuery query_;
};

// Waits (up to a minute) until another attachment runs a statement containing `text`, that is,
// waits for a lock; false when none did.
bool SeeWaitingStatement(const testing_support::TestDatabase& db, const std::string& text);

}  // namespace datefix_test
