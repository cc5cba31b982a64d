#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/DbConnection.h"
#include "form/WindowOps.h"

namespace form {

// Runs an operation on a worker thread while the calling thread, the window's, waits in a loop:
// it carries out the window calls the operation hands over, keeps the window's events going
// (painting, timers, the wait dialog's keys) and watches the operation's database calls. A call
// that has not returned after 2 s brings up the wait dialog (WindowOps::ShowWait), updated every
// second with the seconds waited and the programs holding uncommitted changes in the table being
// written (looked up through a second attachment on a thread of its own); its "취소" cancels the
// call, which then fails like any failed statement. The dialog closes once the call has ended,
// before anything the operation hands over next. A stop request (the tool is told to end)
// cancels every call at once, without waiting for the dialog.
//
// Window() is the WindowOps for the operation: every call on it from the worker is carried out on
// the window's thread, in order; AppendLog does not wait for it and lines are drawn in batches.
// A window call of the operation's own is handed over with OnWindowThread([&] { ... }).
//
// The window passed in must outlive the runner; Run must be called on the thread that created it.
class OperationRunner {
public:
    // processEvents: lets the window's thread handle its events (may be empty). stopRequested:
    // true once the tool is to end (may be empty).
    OperationRunner(WindowOps& window, std::function<void()> processEvents,
                    std::function<bool()> stopRequested = {});
    ~OperationRunner();
    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    // Runs operation on the worker and returns when it has ended, its window calls all carried
    // out; a failure that leaves it is thrown here. connection is the one whose calls are
    // watched. Not reentrant.
    void Run(db::DbConnection& connection, const std::function<void()>& operation);

    // The window as the operation sees it. Its StopRequested is the runner's own.
    WindowOps& Window();

    // Whether the tool is to end (the stopRequested given); from any thread.
    bool StopRequested() const;

    // Carries out fn on the window's thread and returns its result: at once when called there,
    // otherwise handed to the loop of Run, waiting for it.
    template <typename Fn>
    auto OnWindowThread(Fn&& fn) -> decltype(fn()) {
        using Result = decltype(fn());
        if (IsWindowThread()) return fn();
        if constexpr (std::is_void_v<Result>) {
            Call([&] { fn(); });
        } else {
            Result result{};
            Call([&] { result = fn(); });
            return result;
        }
    }

    // A log line for the window's log, from any thread; kept in order with the other calls.
    void PostLogLine(const std::string& line);

    bool IsWindowThread() const { return std::this_thread::get_id() == windowThread_; }

    // After this long a call counts as waiting and the wait dialog comes up.
    static constexpr int kWaitDialogAfterMs = 2000;
    // The log's lines are drawn and traced, and the window painted, this often.
    static constexpr int kTickMs = 150;

private:
    struct Task {
        std::function<void()> run;  // empty for a log line
        std::string line;
        bool* done = nullptr;  // set when a waiting caller is to be woken
    };
    class HandOff;
    class HolderProbe;

    void Call(const std::function<void()>& fn);
    void CarryOut(std::deque<Task>& tasks);
    void Watch(db::DbConnection& connection);
    void EndWait();
    int SecondsWaited() const;

    WindowOps& window_;
    std::function<void()> processEvents_;
    std::function<bool()> stopRequested_;
    std::thread::id windowThread_;
    std::unique_ptr<HandOff> handOff_;

    std::mutex mutex_;
    std::condition_variable wake_;    // the loop: a task, or the operation ended
    std::condition_variable answer_;  // a waiting caller: its task was carried out
    std::deque<Task> tasks_;
    int callsWaiting_ = 0;  // tasks_ holds calls, not only lines
    bool finished_ = false;
    std::exception_ptr logFailure_;  // a posted line that could not be drawn, for the worker

    // The wait under watch.
    db::DbConnection* watched_ = nullptr;
    unsigned long waitSerial_ = 0;
    std::chrono::steady_clock::time_point waitSince_;
    bool waitShown_ = false;
    bool cancelSent_ = false;
    std::string shownText_;
    std::unique_ptr<HolderProbe> probe_;
};

// The wait dialog's text: "DB 작업이 끝나기를 기다리고 있습니다. (N초)", then one line per
// holder (see HolderLine).
std::string WaitText(int seconds, const std::vector<std::string>& holderLines);

// "사용 중인 프로그램: NAME (PID P, ADDRESS)": NAME the program file without its folder (either
// separator), ADDRESS the remote address up to its "/". A program the server does not know is
// "알 수 없는 프로그램".
std::string HolderLine(const std::string& remoteProcess, const std::string& remotePid,
                       const std::string& remoteAddress);

// The table a statement writes (UPDATE t, INSERT INTO t, DELETE FROM t, UPDATE OR INSERT INTO t,
// MERGE INTO t), as the server keeps its name; empty for any other statement.
std::string WrittenTable(const std::string& sql);

}  // namespace form
