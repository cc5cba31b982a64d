#pragma once

// Helpers for tests that drive the real main window: dialogs answered without a human, buttons
// clicked and list rows selected through real mouse events, the log read back. Link
// posfix_app_test_support; posfix_app_test_main creates the QApplication (offscreen by default).

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "tests/support/ScriptedWindow.h"

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace app_testing {

// Dialogs for a window under test: message dialogs are recorded and answered from the queue,
// error boxes recorded; nothing is shown.
class DialogRecorder : public app::Dialogs, public testing_support::DialogQueue {
public:
    int MessageDialog(const std::string& text, form::DialogKind kind,
                      form::DialogButtons buttons) override {
        dialogs.push_back({text, kind, buttons});
        events.push_back("dialog: " + text);
        return NextAnswer();
    }
    void ShowErrorBox(const std::string& text) override {
        errorBoxes.push_back(text);
        events.push_back("error: " + text);
    }
    void ShowFatalBox(const std::string&) override {}

    std::vector<std::string> errorBoxes;  // texts as shown, after the "." rule
    // Dialogs and error boxes in the order shown: "dialog: <text>" or "error: <text>".
    std::vector<std::string> events;
};

// What a real modal dialog showed before it was answered.
struct ModalSeen {
    bool seen = false;
    bool critical = false;                      // a standard box with the stop icon
    QString className, title, text, focusName;  // focusName: the focus widget's object name
    QStringList buttons;
};

// Waits (polling the event loop) for the next application-modal dialog, records it, then runs
// action on it. Call before the code that opens the dialog; the wait happens inside that code.
std::shared_ptr<ModalSeen> OnNextModal(std::function<void(QWidget* modal)> action);
// Sends the keys one after another to the focus widget of the next modal dialog, as the keyboard
// would, while it stays open.
std::shared_ptr<ModalSeen> PressInNextModal(std::vector<QKeyCombination> keys);

// Creates the window on the given database with the given dialogs, shows and activates it.
std::unique_ptr<app::TfmMain> OpenWindow(const std::string& databaseName, app::Dialogs& dialogs);

// Switches to the page holding the named control and clicks it with the mouse.
void Click(app::TfmMain& window, const QString& objectName);
// Clicks row index of a list box (switching to its page first).
void SelectRow(app::TfmMain& window, form::ListBoxId list, int index);

// The texts of a list box as displayed (UTF-8) and the log lines of memoChange.
std::vector<std::string> ListTexts(const app::TfmMain& window, form::ListBoxId list);
std::vector<std::string> LogLines(const app::TfmMain& window);

// Makes the window the active one (the keyboard's target) and waits until it is.
bool Activate(QWidget* window);

// A database name on a port where no server listens: the window starts unconnected.
inline const char* kNoServer = "localhost/1:/nonexistent/posfix.fdb";

}  // namespace app_testing
