#include "tests/datefix/StoppedMoveSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace datefix_test {

MoveChild::MoveChild(const std::string& mode, const std::string& database,
                     const std::string& journalDir, const std::string& traceDir,
                     const std::string& wrongDate, const std::string& targetDate,
                     int exitAfterCommits) {
    std::vector<std::string> args = {POSFIX_MOVE_CHILD, mode,      database,  journalDir,
                                     traceDir,          wrongDate, targetDate};
    if (exitAfterCommits > 0) args.push_back(std::to_string(exitAfterCommits));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, POSFIX_MOVE_CHILD, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + std::string(POSFIX_MOVE_CHILD));
}

void MoveChild::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    Wait();
}

int MoveChild::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

HeldRows::HeldRows(const std::string& database, const std::string& update)
    : connection_(database),
      transaction_(&connection_, db::DbTransaction::Action::Rollback),
      query_(&connection_, &transaction_) {
    query_.ExecuteSql(update);
}

void HeldRows::Release(bool commit) {
    if (!transaction_.InTransaction()) return;
    commit ? transaction_.Commit() : transaction_.Rollback();
}

bool SeeWaitingStatement(const testing_support::TestDatabase& db, const std::string& text) {
    db::DbConnection monitor(db.Name());
    db::DbTransaction look(&monitor);
    db::DbQuery statements(&monitor, &look);
    for (int i = 0; i < 3000; ++i) {
        statements.OpenQuery(
            "select count(*) cnt from mon$statements where mon$state = 1 and "
            "mon$attachment_id <> current_connection and mon$sql_text containing '" +
            text + "'");
        const bool seen = statements.FieldInt("cnt") > 0;
        look.Commit();  // the next look takes a fresh snapshot of the monitoring tables
        if (seen) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace datefix_test
