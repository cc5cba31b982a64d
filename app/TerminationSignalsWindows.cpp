#include <QApplication>
#include <QObject>

#include <atomic>

#include "app/TerminationSignals.h"

namespace app {

namespace {

std::atomic<bool> requested{false};

}  // namespace

struct TerminationSignals::Impl {
    QObject context;  // its end disconnects the end-of-session handler
};

// At logoff or shutdown Qt emits aboutToQuit from the end-of-session message, and Windows ends
// the process as soon as that message has been answered: the window is closed right there, as its
// close box would, so that it rolls back and detaches in time. After a normal close the window is
// gone already and nothing happens.
TerminationSignals::TerminationSignals() : impl_(std::make_unique<Impl>()) {
    requested = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &impl_->context, [] {
        requested = true;
        QApplication::closeAllWindows();
    });
}

TerminationSignals::~TerminationSignals() = default;

bool TerminationSignals::Requested() {
    return requested;
}

}  // namespace app
