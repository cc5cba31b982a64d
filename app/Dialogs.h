#pragma once

#include <string>

#include "form/WindowOps.h"

namespace app {

// The boxes the tool shows: the message dialog, the error box of a failure that no handler
// caught and the fatal box of a failed start. The start-up and the window are given one;
// StandardDialogs() shows the real ones, tests and tools pass their own.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The modal message dialog; returns the result of the button that closed it (1 for OK, 2 for
    // Cancel and for the close box). text is UTF-8 and may contain CR LF.
    virtual int MessageDialog(const std::string& text, form::DialogKind kind,
                              form::DialogButtons buttons) = 0;
    // The error box: the system's standard message box with the application title, the stop
    // icon and OK. text is shown as it is (ErrorBoxText prepares it).
    virtual void ShowErrorBox(const std::string& text) = 0;
    // The fatal start box: "Application Error", the stop icon and OK, modal to the whole task.
    virtual void ShowFatalBox(const std::string& text) = 0;
    // The modal progress dialog of a long step (the backup before a change): opened by the first
    // call, closed by CloseProgress. Shows nothing unless a Dialogs says otherwise.
    virtual void ShowProgress(const std::string& caption, int done, int total) {
        (void)caption, (void)done, (void)total;
    }
    virtual void CloseProgress() {}
};

// The real dialogs. Needs a QApplication.
Dialogs& StandardDialogs();

}  // namespace app
