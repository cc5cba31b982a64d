#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <string>

#include "db/DbConnection.h"
#include "form/MoveJournal.h"

namespace app {

class Dialogs;
class OperationTrace;
class TfmMain;

// The application title from an executable's path: the file name without its folder, cut at its
// first full stop, every character after the first in lower case ("C:\\POS\\TOOL.EXE" -> "Tool").
std::string TitleFromFileName(const std::string& path);

// The title of the running application (the caption of the error box). Taken from the
// executable's file name unless set.
std::string ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The fatal start box's text: "Exception <type> in module <module> at <offset>." on the first
// line, then the failure's text ending in ".", then a final line break.
std::string FatalErrorText(const std::string& typeName, const std::string& moduleName,
                           std::uintptr_t offset, const std::string& message);

using Clock = std::function<QDateTime()>;

struct StartOptions {
    std::string databaseName = db::DbConnection::kStoredDatabaseName;
    Dialogs* dialogs = nullptr;  // null: the real ones
    Clock clock;                 // empty: the system clock
    // Runs once the event loop has started, with the shown window (tests, tools).
    std::function<void(TfmMain&)> onShown;
    // The single-date move's journal and the trace of the operations (with the start line naming
    // the client library). None: RunMainWindow keeps neither, RunApplication keeps both in the
    // user's application data folder.
    form::MoveJournal* moveJournal = nullptr;
    OperationTrace* trace = nullptr;
};

// Creates the main window, shows it and runs the event loop until it has closed. Needs a
// QApplication. Returns 0 after a normal close, 1 after a failed window creation (the fatal box
// has been shown).
int RunMainWindow(const StartOptions& options = {});

// The entry point: sets up the application object and its title, then RunMainWindow. Only the
// program's name reaches Qt: the tool reads no command line, so Qt's own options (-style,
// -reverse, -stylesheet ...) have no effect.
int RunApplication(int argc, char** argv, const StartOptions& options = {});

}  // namespace app
