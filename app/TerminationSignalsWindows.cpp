#include <QApplication>
#include <QObject>

#include "app/TerminationSignals.h"

namespace app {

// At logoff or shutdown Qt emits aboutToQuit from the end-of-session message, and Windows ends
// the process as soon as that message has been answered: the window is closed right there, as its
// close box would, so that it rolls back and detaches in time. After a normal close the window is
// gone already and nothing happens.
TerminationSignals::TerminationSignals() : context_(std::make_unique<QObject>()) {
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, context_.get(),
                     [] { QApplication::closeAllWindows(); });
}

TerminationSignals::~TerminationSignals() = default;

}  // namespace app
