#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/MessageDialog.h"

namespace app_testing {

namespace {

// Polls for the modal dialog, because it appears inside a nested event loop of the code under
// test; keys go where the keyboard would send them, so it waits until the dialog is active.
void Poll(std::shared_ptr<ModalSeen> seen, std::function<void(QWidget*)> action, int left) {
    QWidget* modal = QApplication::activeModalWidget();
    const bool ready = modal && modal->isVisible() && (modal->isActiveWindow() || left <= 0);
    if (!ready) {
        if (modal && modal->isVisible()) modal->activateWindow();
        if (left <= 0) {
            ADD_FAILURE() << "no modal dialog appeared";
            return;
        }
        QTimer::singleShot(10, qApp, [seen, action, left] { Poll(seen, action, left - 1); });
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

void ShowPageOf(app::TfmMain& window, QWidget* control) {
    for (int i = 0; i < window.PageControl1->PageCount(); ++i) {
        if (window.PageControl1->Page(i)->isAncestorOf(control))
            window.PageControl1->SetActivePageIndex(i);
    }
}

app::TListBox* ListOf(const app::TfmMain& window, form::ListBoxId list) {
    return list == form::ListBoxId::ListBox1 ? window.ListBox1 : window.ListBox2;
}

}  // namespace

std::shared_ptr<ModalSeen> OnNextModal(std::function<void(QWidget* modal)> action) {
    auto seen = std::make_shared<ModalSeen>();
    QTimer::singleShot(0, qApp, [seen, action] { Poll(seen, action, 500); });
    return seen;
}

std::shared_ptr<ModalSeen> PressInNextModal(std::vector<QKeyCombination> keys) {
    return OnNextModal([keys](QWidget* modal) {
        for (QKeyCombination key : keys) {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus && focus->window() == modal ? focus : modal, key.key(),
                            key.keyboardModifiers());
            if (!modal->isVisible()) break;
        }
    });
}

std::unique_ptr<app::TfmMain> OpenWindow(const std::string& databaseName, app::Dialogs& dialogs) {
    auto window = std::make_unique<app::TfmMain>(databaseName, dialogs);
    window->ShowMain();
    Activate(window.get());
    return window;
}

void Click(app::TfmMain& window, const QString& objectName) {
    auto* control = window.findChild<QWidget*>(objectName);
    ASSERT_NE(control, nullptr) << objectName.toStdString();
    ShowPageOf(window, control);
    ASSERT_TRUE(control->isVisible()) << objectName.toStdString() << " is not visible";
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

void SelectRow(app::TfmMain& window, form::ListBoxId list, int index) {
    app::TListBox* box = ListOf(window, list);
    ShowPageOf(window, box);
    ASSERT_TRUE(box->isVisible());
    ASSERT_TRUE(index >= 0 && index < box->count()) << index;
    box->scrollToItem(box->item(index));
    QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::NoModifier,
                      box->visualItemRect(box->item(index)).center());
}

std::vector<std::string> ListTexts(const app::TfmMain& window, form::ListBoxId list) {
    const app::TListBox* box = ListOf(window, list);
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

}  // namespace app_testing
