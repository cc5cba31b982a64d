#include "app/WaitDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/MessageDialog.h"

namespace app {

namespace {
const QString kCaption = QStringLiteral("대기");
const QString kCancel = QStringLiteral("취소");
}  // namespace

TWaitForm::TWaitForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WaitDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);
    setFont(QApplication::font("QMessageBox"));
    setWindowTitle(kCaption);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Message"));
    label_->setTextFormat(Qt::PlainText);
    layout->addWidget(label_);
    cancel_ = new QPushButton(kCancel, this);
    cancel_->setObjectName(kCancel);
    cancel_->setAutoDefault(false);
    cancel_->setDefault(true);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

void TWaitForm::ShowText(const QString& text, bool cancellable) {
    text_ = text;
    label_->setText(DisplayLineBreaks(text));
    cancel_->setVisible(cancellable);
    if (isVisible()) return;
    cancelled_ = false;
    show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(CentredPosition(screen->geometry().size(), frameGeometry().size()));
    if (cancellable) cancel_->setFocus(Qt::OtherFocusReason);
}

QString TWaitForm::ClipboardText() const {
    return DialogClipboardText(kCaption, text_,
                               cancel_->isVisible() ? QStringList{kCancel} : QStringList{});
}

void TWaitForm::reject() {
    // The dialog stays until the wait ends; closing it is pressing "취소".
    if (cancel_->isVisible()) cancel_->click();
}

void TWaitForm::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            reject();
            return;
        case Qt::Key_C:
            if (mods == Qt::ControlModifier) {
                QApplication::beep();
                QGuiApplication::clipboard()->setText(ClipboardText());
                return;
            }
            break;
        default:
            break;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace app
