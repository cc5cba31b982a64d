#pragma once

#include <deque>

#include "tests/app/AppTestSupport.h"

namespace app_test {

// Answers each message dialog of the real window as it opens, by clicking its OK or Cancel button
// with the mouse, and records what it showed, read back from the dialog window itself. A dialog
// beyond the scripted answers is closed with its close box and counted, so a test never hangs on
// an unexpected question. Error boxes are recorded as shown and closed with their OK button.
class MouseDialogDriver {
public:
    struct Shown {
        std::string caption;
        std::string text;  // message lines joined with CR LF
        std::string buttons;
    };

    explicit MouseDialogDriver(std::deque<bool> pressOk) : pressOk_(std::move(pressOk)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Shown& s : shown) texts.push_back(s.text);
        return texts;
    }

    std::vector<Shown> shown;
    std::vector<std::string> errorBoxes;  // as shown: line breaks are LF
    int unexpected = 0;

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->property("answered").toBool()) return;
        modal->setProperty("answered", true);
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            errorBoxes.push_back(box->text().toStdString());
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return;
        }
        auto* dialog = qobject_cast<app::TMessageForm*>(modal);
        if (dialog == nullptr) return;
        // Rule, caption, rule, message lines, rule, buttons, rule, each ending in CR LF.
        const QStringList lines = dialog->ClipboardText().split(QStringLiteral("\r\n"));
        shown.push_back({lines.value(1).toStdString(),
                         lines.mid(3, lines.size() - 7).join(QStringLiteral("\r\n")).toStdString(),
                         lines.value(lines.size() - 3).toStdString()});
        if (pressOk_.empty()) {
            ++unexpected;
            dialog->reject();
            return;
        }
        const bool ok = pressOk_.front();
        pressOk_.pop_front();
        QTest::mouseClick(ok ? dialog->DefaultButton() : dialog->CancelButton(), Qt::LeftButton);
    }

    std::deque<bool> pressOk_;
    QTimer timer_;
};

}  // namespace app_test
