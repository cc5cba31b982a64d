#pragma once

#include <memory>

namespace app {

// While it lives, the platform's requests to end the tool (on POSIX SIGTERM and SIGINT: the
// session ends, a kill, Ctrl+C in the starting terminal) no longer end the process on the spot:
// they end the running event loop with exit code 0, so that the window goes in order, rolling
// back what it has not committed and detaching. A request that comes before the event loop runs
// ends it as soon as it runs. The client library sets its own handlers at its first call; made
// after that, this replaces them for its lifetime and then gives them back. One at a time per
// process; each platform has its own implementation file.
// On Windows a GUI program gets no signals: taskkill without /F arrives as the window's close,
// and at logoff or shutdown the window is closed (rolled back, detached) before Windows ends the
// process (TerminationSignalsWindows.cpp).
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Whether the tool has been told to end since the watch began: an operation under way stops
    // waiting and asking, and the event loop is not entered any more.
    static bool Requested();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace app
