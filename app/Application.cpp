#include "app/Application.h"

#include <QApplication>
#include <QTimer>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ModuleOf.h"
#include "app/MoveJournalFile.h"
#include "app/OperationTrace.h"
#include "app/TerminationSignals.h"
#include "db/ClientLibrary.h"

namespace app {

namespace {

std::string& TitleSlot() {
    static std::string title;
    return title;
}

std::string TypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

// The window is created in this function; after unwinding the failing instruction is no longer
// known, so the failure is placed at this function within its module.
std::unique_ptr<TfmMain> CreateMainWindow(const StartOptions& options, Dialogs& dialogs) {
    auto window = std::make_unique<TfmMain>(options.databaseName, dialogs, options.clock);
    window->State().moveJournal = options.moveJournal;
    window->SetTrace(options.trace);
    return window;
}

void ReportFailedCreation(Dialogs& dialogs, const std::string& typeName,
                          const std::string& message) {
    std::string module;
    std::uintptr_t offset = 0;
    ModuleOf(reinterpret_cast<const void*>(&CreateMainWindow), module, offset);
    dialogs.ShowFatalBox(FatalErrorText(typeName, module, offset, message));
}

}  // namespace

std::string TitleFromFileName(const std::string& path) {
    QString name = QString::fromStdString(path);
    const int slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf('\\'));
    name = name.mid(slash + 1);
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
    return name.toStdString();
}

std::string ApplicationTitle() {
    if (TitleSlot().empty() && QCoreApplication::instance()) {
        TitleSlot() = TitleFromFileName(QCoreApplication::applicationFilePath().toStdString());
    }
    return TitleSlot();
}

void SetApplicationTitle(const std::string& title) {
    TitleSlot() = title;
}

std::string FatalErrorText(const std::string& typeName, const std::string& moduleName,
                           std::uintptr_t offset, const std::string& message) {
    std::string text = "Exception " + typeName + " in module " + moduleName + " at " +
                       QStringLiteral("%1")
                           .arg(static_cast<qulonglong>(offset), 8, 16, QLatin1Char('0'))
                           .toUpper()
                           .toStdString() +
                       ".\n" + message;
    if (message.empty() || message.back() != '.') text += ".";
    return text + "\n";
}

int RunMainWindow(const StartOptions& options) {
    Dialogs& dialogs = options.dialogs ? *options.dialogs : StandardDialogs();

    // A termination signal (the session ends, a kill) ends the tool in order, as closing does once
    // the operation under way is over: from the window's first attach on, through the error box
    // of a failed one, the list loads and the detach at the end. Database calls under way are
    // cancelled, dialogs count as cancelled, and the window goes, rolling back what it has not
    // committed and detaching. Taken after the client library has set its own handlers, which it
    // does at its first attach.
    db::ClientLibrary::LetClientSetUpProcess();
    const TerminationSignals terminationSignals;
    // Which client this start uses; a start without one ends in the fatal box and traces nothing.
    const std::string clientLibrary = db::ClientLibrary::LoadedFile();
    if (options.trace && !clientLibrary.empty()) options.trace->Started(clientLibrary);

    std::unique_ptr<TfmMain> window;
    try {
        window = CreateMainWindow(options, dialogs);
    } catch (const std::exception& e) {
        ReportFailedCreation(dialogs, TypeName(typeid(e)), e.what());
        return 1;
    } catch (...) {
        ReportFailedCreation(dialogs, "unknown exception", "Unknown failure");
        return 1;
    }

    // The event loop ends when the main window has closed, not when some other window does.
    const bool quitOnLast = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(window.get(), &TfmMain::Closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    window->ShowMain();
    // A date move that an earlier run left stopped part-way is told once the window is up.
    QTimer::singleShot(0, window.get(), [shown = window.get()] { shown->WarnOfStoppedMove(); });
    if (options.onShown) {
        TfmMain* shown = window.get();
        QTimer::singleShot(0, shown, [shown, &options] { options.onShown(*shown); });
    }
    // A signal that came before the loop runs has ended nothing yet: the loop is not entered.
    if (!TerminationSignals::Requested()) QApplication::exec();
    window.reset();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
    return 0;
}

int RunApplication(int argc, char** argv, const StartOptions& options) {
    char fallbackName[] = "posfix";
    char* programOnly[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programOnlyCount = 1;
    QApplication application(programOnlyCount, programOnly);
    SetApplicationTitle(TitleFromFileName(QCoreApplication::applicationFilePath().toStdString()));
    MoveJournalFile journal(MoveJournalFile::DefaultFolder());
    OperationTrace trace(OperationTrace::DefaultFolder(), options.clock);
    StartOptions withFiles = options;
    if (!withFiles.moveJournal) withFiles.moveJournal = &journal;
    if (!withFiles.trace) withFiles.trace = &trace;
    return RunMainWindow(withFiles);
}

}  // namespace app
