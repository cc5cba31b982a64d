#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/MessageDialog.h"

namespace app_testing {

int DialogRecorder::MessageDialog(const std::string& text, form::DialogKind kind,
                                  form::DialogButtons buttons) {
    dialogs.push_back({text, kind, buttons});
    events.push_back("dialog: " + text);
    if (answers.empty()) return form::kResultOk;
    const int result = answers.front();
    answers.pop_front();
    return result;
}

void DialogRecorder::ShowErrorBox(const std::string& text) {
    errorBoxes.push_back(text);
    events.push_back("error: " + text);
}

std::vector<std::string> DialogRecorder::DialogTexts() const {
    std::vector<std::string> texts;
    for (const Dialog& dialog : dialogs) texts.push_back(dialog.text);
    return texts;
}

namespace {

void Record(QWidget* modal, ModalSeen& seen) {
    seen.seen = true;
    seen.className = QString::fromLatin1(modal->metaObject()->className());
    seen.title = modal->windowTitle();
    seen.geometry = modal->geometry();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) seen.text = box->text();
    if (auto* form = qobject_cast<app::TMessageForm*>(modal)) seen.text = form->Text();
    if (QWidget* focus = QApplication::focusWidget()) seen.focusName = focus->objectName();
    for (QPushButton* button : modal->findChildren<QPushButton*>()) {
        seen.buttons << button->text().remove(QLatin1Char('&'));
    }
}

// Polls for the modal dialog, because it appears inside a nested event loop of the code under
// test.
void Poll(std::shared_ptr<ModalSeen> seen, std::function<void(QWidget*)> action, int left) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()) {
        // Keys go where the keyboard would send them: wait until the dialog is active.
        if (!modal->isActiveWindow() && left > 0) {
            modal->activateWindow();
            QTimer::singleShot(10, qApp, [seen, action, left] { Poll(seen, action, left - 1); });
            return;
        }
        Record(modal, *seen);
        action(modal);
        return;
    }
    if (left <= 0) {
        ADD_FAILURE() << "no modal dialog appeared";
        return;
    }
    QTimer::singleShot(10, qApp, [seen, action, left] { Poll(seen, action, left - 1); });
}

QWidget* KeyTarget(QWidget* modal) {
    QWidget* focus = QApplication::focusWidget();
    return focus && focus->window() == modal ? focus : modal;
}

}  // namespace

std::shared_ptr<ModalSeen> OnNextModal(std::function<void(QWidget* modal)> action) {
    auto seen = std::make_shared<ModalSeen>();
    QTimer::singleShot(0, qApp, [seen, action] { Poll(seen, action, 500); });
    return seen;
}

std::shared_ptr<ModalSeen> PressInNextModal(int key, Qt::KeyboardModifiers modifiers) {
    return OnNextModal([key, modifiers](QWidget* modal) {
        QTest::keyClick(KeyTarget(modal), static_cast<Qt::Key>(key), modifiers);
    });
}

std::shared_ptr<ModalSeen> PressSequenceInNextModal(std::vector<int> keys) {
    return OnNextModal([keys](QWidget* modal) {
        for (int key : keys) {
            Qt::KeyboardModifiers modifiers = Qt::NoModifier;
            if (key == Qt::Key_Backtab) modifiers = Qt::ShiftModifier;
            QTest::keyClick(KeyTarget(modal), static_cast<Qt::Key>(key), modifiers);
            if (!modal->isVisible()) break;
        }
    });
}

std::shared_ptr<ModalSeen> CloseNextModal() {
    return OnNextModal([](QWidget* modal) { modal->close(); });
}

std::unique_ptr<app::TfmMain> OpenWindow(const std::string& databaseName, app::Dialogs& dialogs) {
    auto window = std::make_unique<app::TfmMain>(databaseName, dialogs);
    window->ShowMain();
    WaitUntil([&] { return window->isVisible(); });
    Activate(window.get());
    return window;
}

namespace {

void ShowPageOf(app::TfmMain& window, QWidget* control) {
    for (int i = 0; i < window.PageControl1->PageCount(); ++i) {
        if (window.PageControl1->Page(i)->isAncestorOf(control)) {
            window.PageControl1->SetActivePageIndex(i);
        }
    }
}

}  // namespace

void Click(app::TfmMain& window, const QString& objectName) {
    auto* control = window.findChild<QWidget*>(objectName);
    ASSERT_NE(control, nullptr) << objectName.toStdString();
    ShowPageOf(window, control);
    ASSERT_TRUE(control->isVisible()) << objectName.toStdString() << " is not visible";
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

void SelectRow(app::TfmMain& window, form::ListBoxId list, int index) {
    app::TListBox* box = list == form::ListBoxId::ListBox1 ? window.ListBox1 : window.ListBox2;
    ShowPageOf(window, box);
    ASSERT_TRUE(box->isVisible());
    ASSERT_GE(index, 0);
    ASSERT_LT(index, box->count());
    box->scrollToItem(box->item(index));
    const QRect row = box->visualItemRect(box->item(index));
    QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
}

void SetPickerDate(app::TfmMain& window, form::PickerId picker, int year, int month, int day) {
    app::TDateTimePicker* control =
        picker == form::PickerId::dtChange01 ? window.dtChange01 : window.dtChange02;
    control->SetDateTime(QDateTime(QDate(year, month, day), control->DateTime().time()));
}

std::vector<std::string> ListTexts(const app::TfmMain& window, form::ListBoxId list) {
    const app::TListBox* box =
        list == form::ListBoxId::ListBox1 ? window.ListBox1 : window.ListBox2;
    std::vector<std::string> texts;
    for (int i = 0; i < box->count(); ++i) texts.push_back(box->item(i)->text().toStdString());
    return texts;
}

std::vector<std::string> LogLines(const app::TfmMain& window) {
    std::vector<std::string> lines;
    const QString text = window.memoChange->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
}

bool Activate(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return pred();
}

}  // namespace app_testing
