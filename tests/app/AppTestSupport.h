#pragma once

// Helpers for tests that drive the real main window: dialogs answered without a human, buttons
// clicked and list rows selected through real mouse events, the log read back. Link
// posfix_app_test_support; posfix_app_test_main creates the QApplication (offscreen by default).

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

#include "app/MainWindow.h"
#include "app/MessageDialog.h"
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

// Polls for the modal dialog, because it appears inside a nested event loop of the code under
// test; keys go where the keyboard would send them, so it waits until the dialog is active.
inline void PollForModal(std::shared_ptr<ModalSeen> seen, std::function<void(QWidget*)> action,
                         int left) {
    QWidget* modal = QApplication::activeModalWidget();
    const bool ready = modal && modal->isVisible() && (modal->isActiveWindow() || left <= 0);
    if (!ready) {
        if (modal && modal->isVisible()) modal->activateWindow();
        if (left <= 0) {
            ADD_FAILURE() << "no modal dialog appeared";
            return;
        }
        QTimer::singleShot(10, qApp, [=] { PollForModal(seen, action, left - 1); });
        return;
    }
    seen->seen = true;
    seen->className = QString::fromLatin1(modal->metaObject()->className());
    seen->title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen->text = box->text();
        seen->critical = box->icon() == QMessageBox::Critical;
    }
    if (auto* form = qobject_cast<app::TMessageForm*>(modal)) seen->text = form->Text();
    if (QWidget* focus = QApplication::focusWidget()) seen->focusName = focus->objectName();
    for (QPushButton* button : modal->findChildren<QPushButton*>())
        seen->buttons << button->text().remove(QLatin1Char('&'));
    action(modal);
}

// Waits (polling the event loop) for the next application-modal dialog, records it, then runs
// action on it. Call before the code that opens the dialog; the wait happens inside that code.
inline std::shared_ptr<ModalSeen> OnNextModal(std::function<void(QWidget* modal)> action) {
    auto seen = std::make_shared<ModalSeen>();
    QTimer::singleShot(0, qApp, [=] { PollForModal(seen, action, 500); });
    return seen;
}

// Sends the keys one after another to the focus widget of the next modal dialog, as the keyboard
// would, while it stays open.
inline std::shared_ptr<ModalSeen> PressInNextModal(std::vector<QKeyCombination> keys) {
    return OnNextModal([keys](QWidget* modal) {
        for (QKeyCombination key : keys) {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus && focus->window() == modal ? focus : modal, key.key(),
                            key.keyboardModifiers());
            if (!modal->isVisible()) break;
        }
    });
}

// Makes the window the active one (the keyboard's target) and waits until it is.
inline bool Activate(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Creates the window on the given database with the given dialogs, shows and activates it.
inline std::unique_ptr<app::TfmMain> OpenWindow(const std::string& databaseName,
                                                app::Dialogs& dialogs) {
    auto window = std::make_unique<app::TfmMain>(databaseName, dialogs);
    window->ShowMain();
    Activate(window.get());
    return window;
}

inline void ShowPageOf(app::TfmMain& window, QWidget* control) {
    for (int i = 0; i < window.PageControl1->PageCount(); ++i) {
        if (window.PageControl1->Page(i)->isAncestorOf(control))
            window.PageControl1->SetActivePageIndex(i);
    }
}

inline app::TListBox* ListOf(const app::TfmMain& window, form::ListBoxId list) {
    return list == form::ListBoxId::ListBox1 ? window.ListBox1 : window.ListBox2;
}

// Switches to the page holding the named control and clicks it with the mouse.
inline void Click(app::TfmMain& window, const QString& objectName) {
    auto* control = window.findChild<QWidget*>(objectName);
    ASSERT_NE(control, nullptr) << objectName.toStdString();
    ShowPageOf(window, control);
    ASSERT_TRUE(control->isVisible()) << objectName.toStdString() << " is not visible";
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

// Clicks row index of a list box (switching to its page first).
inline void SelectRow(app::TfmMain& window, form::ListBoxId list, int index) {
    app::TListBox* box = ListOf(window, list);
    ShowPageOf(window, box);
    ASSERT_TRUE(box->isVisible());
    ASSERT_TRUE(index >= 0 && index < box->count()) << index;
    box->scrollToItem(box->item(index));
    QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::NoModifier,
                      box->visualItemRect(box->item(index)).center());
}

// The texts of a list box as displayed (UTF-8).
inline std::vector<std::string> ListTexts(const app::TfmMain& window, form::ListBoxId list) {
    const app::TListBox* box = ListOf(window, list);
    std::vector<std::string> texts;
    for (int i = 0; i < box->count(); ++i) texts.push_back(box->item(i)->text().toStdString());
    return texts;
}

// The log lines of memoChange.
inline std::vector<std::string> LogLines(const app::TfmMain& window) {
    std::vector<std::string> lines;
    const QString text = window.memoChange->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
}

// A database name on a port where no server listens: the window starts unconnected.
inline const char* kNoServer = "localhost/1:/nonexistent/posfix.fdb";

}  // namespace app_testing
