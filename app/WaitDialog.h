#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace app {

// The wait dialog: caption "대기", the text, and "취소" when the wait can be cancelled. Modal to
// the whole tool but shown without a loop of its own, so the caller goes on while it is open.
// Return, Enter, Esc and the close box press "취소"; Ctrl+C copies the content as the message
// dialogs do. Without "취소" it cannot be closed by the operator.
class TWaitForm : public QDialog {
    Q_OBJECT
public:
    explicit TWaitForm(QWidget* parent = nullptr);

    // Shows the dialog, or replaces its text when open, sizing it to the text.
    void ShowText(const QString& text, bool cancellable);
    bool Cancelled() const { return cancelled_; }
    QString Text() const { return text_; }
    QString ClipboardText() const;
    QPushButton* CancelButton() const { return cancel_; }

    void reject() override;  // close box, Esc

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString text_;
    QLabel* label_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace app
