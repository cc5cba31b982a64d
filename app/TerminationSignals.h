#pragma once

#ifndef _WIN32
#include <signal.h>
#endif

#include <memory>

class QObject;
class QSocketNotifier;

namespace app {

// While it lives, SIGTERM and SIGINT (the session ends, a kill, Ctrl+C in the starting terminal)
// no longer end the process on the spot: they end the running event loop with exit code 0, so
// that the window goes in order, rolling back what it has not committed and detaching. A signal
// that comes before the event loop runs ends it as soon as it starts. The client library sets its
// own handlers at its first call; made after that, this replaces them for its lifetime and then
// gives them back. One at a time per process.
// On Windows a GUI program gets no signals: taskkill without /F arrives as the window's close,
// and at logoff or shutdown the window is closed (rolled back, detached) before Windows ends the
// process (TerminationSignalsWindows.cpp).
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
#ifdef _WIN32
    std::unique_ptr<QObject> context_;  // its end disconnects the end-of-session handler
#else
    int readEnd_ = -1;
    int writeEnd_ = -1;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
    std::unique_ptr<QSocketNotifier> notifier_;
#endif
};

}  // namespace app
