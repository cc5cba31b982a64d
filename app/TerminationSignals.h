#pragma once

#include <signal.h>

#include <memory>

class QSocketNotifier;

namespace app {

// While it lives, SIGTERM and SIGINT (the session ends, a kill, Ctrl+C in the starting terminal)
// no longer end the process on the spot: they end the running event loop with exit code 0, so
// that the window goes in order, rolling back what it has not committed and detaching. A signal
// that comes before the event loop runs ends it as soon as it starts. The client library sets its
// own handlers at its first call; made after that, this replaces them for its lifetime and then
// gives them back. One at a time per process.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    int readEnd_ = -1;
    int writeEnd_ = -1;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace app
