#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace app {

namespace {

// The handler may only write a byte: the event loop reads it on the main thread.
volatile sig_atomic_t signalWriteEnd = -1;

// Set on the main thread once the byte has been read.
std::atomic<bool> requested{false};

void OnTerminationSignal(int) {
    const int savedErrno = errno;
    const int fd = signalWriteEnd;
    if (fd >= 0) {
        const char byte = 1;
        const ssize_t written = write(fd, &byte, 1);
        (void)written;  // a full pipe already holds a pending request
    }
    errno = savedErrno;
}

// Replaces the handler in place, the client library's included: the library would otherwise
// shut every attachment of the process down on its own thread and end the process, behind the
// back of the window that holds them.
void Take(int signalNumber, struct sigaction& previous) {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, &previous);
}

// Gives a signal back only while it is still ours: a handler set after ours stays.
void GiveBack(int signalNumber, const struct sigaction& previous) {
    struct sigaction current {};
    sigaction(signalNumber, nullptr, &current);
    if (current.sa_handler == OnTerminationSignal) sigaction(signalNumber, &previous, nullptr);
}

}  // namespace

struct TerminationSignals::Impl {
    int readEnd = -1;
    int writeEnd = -1;
    struct sigaction previousTerm {};
    struct sigaction previousInt {};
    std::unique_ptr<QSocketNotifier> notifier;
};

TerminationSignals::TerminationSignals() : impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    requested = false;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the handlers stay as they are
    d.readEnd = ends[0];
    d.writeEnd = ends[1];
    d.notifier = std::make_unique<QSocketNotifier>(d.readEnd, QSocketNotifier::Read);
    QObject::connect(d.notifier.get(), &QSocketNotifier::activated, [fd = d.readEnd] {
        char bytes[16];
        while (read(fd, bytes, sizeof bytes) > 0) {
        }
        // Ends the loops that run now; a loop not yet running is not entered (Requested).
        requested = true;
        QCoreApplication::exit(0);
    });
    signalWriteEnd = d.writeEnd;
    Take(SIGTERM, d.previousTerm);
    Take(SIGINT, d.previousInt);
}

bool TerminationSignals::Requested() {
    return requested;
}

TerminationSignals::~TerminationSignals() {
    Impl& d = *impl_;
    if (d.readEnd < 0) return;
    GiveBack(SIGINT, d.previousInt);
    GiveBack(SIGTERM, d.previousTerm);
    signalWriteEnd = -1;
    d.notifier.reset();
    close(d.writeEnd);
    close(d.readEnd);
}

}  // namespace app
