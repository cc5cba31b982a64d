#include "app/MessageDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStringDecoder>
#include <QStyle>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/ProgressDialog.h"
#include "form/Cp949.h"

namespace app {

namespace {

const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
constexpr int kIconSize = 32;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
const QString kRule = QStringLiteral("---------------------------");  // 27 hyphens
const QString kCrLf = QStringLiteral("\r\n");

// The message, drawn with the same flags it was measured with.
class MessageLabel : public QWidget {
public:
    MessageLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), kTextFlags, text_);
    }

private:
    QString text_;
};

// Button caption widths are measured once per process.
int CaptionWidth(const QFontMetrics& metrics, const QString& caption) {
    static std::map<QString, int> cache;
    auto it = cache.find(caption);
    if (it == cache.end()) {
        const int width = metrics.boundingRect(QRect(), Qt::TextSingleLine, caption).width();
        it = cache.emplace(caption, width).first;
    }
    return it->second;
}

QStyle::StandardPixmap KindIcon(form::DialogKind kind) {
    switch (kind) {
        case form::DialogKind::Warning:
            return QStyle::SP_MessageBoxWarning;
        case form::DialogKind::Error:
            return QStyle::SP_MessageBoxCritical;
        case form::DialogKind::Information:
            return QStyle::SP_MessageBoxInformation;
        case form::DialogKind::Confirmation:
            return QStyle::SP_MessageBoxQuestion;
    }
    return QStyle::SP_MessageBoxInformation;
}

QSize ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(800, 600);
}

}  // namespace

int MulDivRound(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const long long num = std::llabs(product);
    const long long den = std::llabs(static_cast<long long>(c));
    const long long q = (2 * num + den) / (2 * den);
    return static_cast<int>(negative ? -q : q);
}

DialogLayout ComputeDialogLayout(const DialogLayoutInput& in) {
    DialogLayout out;
    out.unitX = in.lettersWidth / 52;
    out.unitY = in.lettersHeight;
    out.horzMargin = MulDivRound(8, out.unitX, 4);
    out.vertMargin = MulDivRound(8, out.unitY, 8);
    out.horzSpacing = MulDivRound(10, out.unitX, 4);
    out.vertSpacing = MulDivRound(10, out.unitY, 8);
    out.minButtonWidth = MulDivRound(50, out.unitX, 4);
    out.buttonHeight = MulDivRound(14, out.unitY, 8);
    out.buttonSpacing = MulDivRound(4, out.unitX, 4);

    out.buttonWidth = out.minButtonWidth;
    for (int width : in.captionWidths) out.buttonWidth = std::max(out.buttonWidth, width + 8);

    out.iconTextWidth = in.textWidth;
    out.iconTextHeight = in.textHeight;
    if (in.hasIcon) {
        out.iconTextWidth += out.horzSpacing + kIconSize;
        out.iconTextHeight = std::max(out.iconTextHeight, kIconSize);
    }

    const int n = static_cast<int>(in.captionWidths.size());
    out.buttonRowWidth = n > 0 ? n * out.buttonWidth + (n - 1) * out.buttonSpacing : 0;

    out.clientWidth = std::max(out.iconTextWidth, out.buttonRowWidth) + 2 * out.horzMargin;
    out.clientHeight = out.iconTextHeight + out.vertSpacing + out.buttonHeight + 2 * out.vertMargin;

    int textLeft = out.horzMargin;
    if (in.hasIcon) {
        out.icon = QRect(out.horzMargin, out.vertMargin, kIconSize, kIconSize);
        textLeft += kIconSize + out.horzSpacing;
    }
    out.text = QRect(textLeft, out.vertMargin, in.textWidth, in.textHeight);

    int left = (out.clientWidth - out.buttonRowWidth) / 2;
    const int top = out.vertMargin + out.iconTextHeight + out.vertSpacing;
    for (int i = 0; i < n; ++i) {
        out.buttons.emplace_back(left, top, out.buttonWidth, out.buttonHeight);
        left += out.buttonWidth + out.buttonSpacing;
    }
    return out;
}

QPoint CentredPosition(QSize screen, QSize window) {
    return QPoint((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
}

QString KindCaption(form::DialogKind kind) {
    switch (kind) {
        case form::DialogKind::Warning:
            return QStringLiteral("Warning");
        case form::DialogKind::Error:
            return QStringLiteral("Error");
        case form::DialogKind::Information:
            return QStringLiteral("Information");
        case form::DialogKind::Confirmation:
            return QStringLiteral("Confirm");
    }
    return QString();
}

QStringList ButtonCaptions(form::DialogButtons buttons) {
    const int flags = static_cast<int>(buttons);
    QStringList captions;
    if (flags & 4) captions << QStringLiteral("OK");
    if (flags & 8) captions << QStringLiteral("Cancel");
    return captions;
}

QString DialogClipboardText(const QString& caption, const QString& message,
                            const QStringList& buttonCaptions) {
    QString buttons;
    for (QString caption : buttonCaptions) buttons += caption.remove(QLatin1Char('&')) + "   ";
    return kRule + kCrLf + caption + kCrLf + kRule + kCrLf + message + kCrLf + kRule + kCrLf +
           buttons + kCrLf + kRule + kCrLf;
}

QString DisplayLineBreaks(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

std::string ErrorBoxText(const std::string& text) {
    // Server texts quote database values in their code page 949 bytes.
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString decoded = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    std::string shown = utf8.hasError() ? form::Cp949ToUtf8(text) : text;
    if (shown.empty()) return shown;
    // Step back over UTF-8 continuation bytes to the first byte of the last character.
    std::size_t last = shown.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(shown[last]) & 0xC0) == 0x80) --last;
    if (static_cast<unsigned char>(shown[last]) > static_cast<unsigned char>('.')) shown += ".";
    return shown;
}

namespace {

class QtDialogs : public Dialogs {
public:
    int MessageDialog(const std::string& text, form::DialogKind kind,
                      form::DialogButtons buttons) override {
        TMessageForm dialog(QString::fromStdString(text), kind, buttons,
                            QApplication::activeWindow());
        return dialog.exec();
    }

    void ShowProgress(const std::string& caption, int done, int total) override {
        if (!progress_)
            progress_ = std::make_unique<ProgressDialog>(QString::fromStdString(caption),
                                                         QApplication::activeWindow());
        progress_->SetProgress(done, total);
    }

    void CloseProgress() override { progress_.reset(); }

    void ShowErrorBox(const std::string& text) override {
        ShowBox(QString::fromStdString(ApplicationTitle()), text);
    }

    void ShowFatalBox(const std::string& text) override {
        ShowBox(QStringLiteral("Application Error"), text);
    }

private:
    std::unique_ptr<ProgressDialog> progress_;

    static void ShowBox(const QString& caption, const std::string& text) {
        QMessageBox box(QMessageBox::Critical, caption,
                        DisplayLineBreaks(QString::fromStdString(text)), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    }
};

}  // namespace

Dialogs& StandardDialogs() {
    static QtDialogs dialogs;
    return dialogs;
}

TMessageForm::TMessageForm(const QString& text, form::DialogKind kind, form::DialogButtons buttons,
                           QWidget* parent)
    : QDialog(parent), message_(text) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);
    setFont(QApplication::font("QMessageBox"));
    setWindowTitle(KindCaption(kind));

    const QFontMetrics metrics(font());
    const QString display = DisplayLineBreaks(text);
    const QSize screen = ScreenSize();
    const QRect textBox =
        metrics.boundingRect(QRect(0, 0, screen.width() / 2, 0), kTextFlags, display);

    DialogLayoutInput in;
    in.lettersWidth = metrics.horizontalAdvance(kLetters);
    in.lettersHeight = metrics.height();
    in.textWidth = textBox.width();
    in.textHeight = textBox.height();
    const QStringList captions = ButtonCaptions(buttons);
    for (const QString& caption : captions)
        in.captionWidths.push_back(CaptionWidth(metrics, caption));
    in.hasIcon = true;  // every kind carries a system icon
    layout_ = ComputeDialogLayout(in);

    // Children in creation order: icon, message, buttons.
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image"));
    image->setPixmap(style()->standardIcon(KindIcon(kind), nullptr, this).pixmap(kIconSize));
    image->setGeometry(layout_.icon);

    auto* label = new MessageLabel(display, this);
    label->setObjectName(QStringLiteral("Message"));
    label->setGeometry(layout_.text);

    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QPushButton(captions[i], this);
        button->setObjectName(captions[i]);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setGeometry(layout_.buttons[static_cast<std::size_t>(i)]);
        button->installEventFilter(this);
        const int result =
            captions[i] == QLatin1String("OK") ? form::kResultOk : form::kResultCancel;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons_.append(button);
    }
    // Default: OK when present (Cancel when the set asks for it); cancel: Cancel when present,
    // else OK.
    const bool defaultCancel = (static_cast<int>(buttons) & form::kDefaultCancel) != 0;
    for (QPushButton* button : buttons_) {
        if (button->objectName() == QLatin1String("OK") && !defaultCancel) defaultButton_ = button;
        if (button->objectName() == QLatin1String("Cancel")) cancelButton_ = button;
    }
    if (defaultCancel) defaultButton_ = cancelButton_;
    if (!defaultButton_ && !buttons_.isEmpty()) defaultButton_ = buttons_.first();
    if (!cancelButton_) cancelButton_ = defaultButton_;
    if (defaultButton_) defaultButton_->setDefault(true);

    setFixedSize(layout_.clientWidth, layout_.clientHeight);
    move(CentredPosition(screen, frameGeometry().size()));
    // The focus starts on the default button.
    if (defaultButton_) defaultButton_->setFocus(Qt::OtherFocusReason);
}

QString TMessageForm::ClipboardText() const {
    QStringList captions;
    for (const QPushButton* button : buttons_) captions << button->text();
    return DialogClipboardText(windowTitle(), message_, captions);
}

void TMessageForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The frame is known once the window exists: centre the whole window.
    move(CentredPosition(ScreenSize(), frameGeometry().size()));
}

void TMessageForm::reject() {
    done(form::kResultCancel);
}

bool TMessageForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        buttons_.contains(static_cast<QPushButton*>(watched))) {
        if (HandleKey(static_cast<QKeyEvent*>(event))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TMessageForm::keyPressEvent(QKeyEvent* event) {
    if (HandleKey(event)) return;
    QDialog::keyPressEvent(event);
}

bool TMessageForm::HandleKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
        case Qt::Key_Tab:
            if (mods & (Qt::ControlModifier | Qt::AltModifier)) return false;
            MoveFocus(mods & Qt::ShiftModifier ? -1 : 1);
            return true;
        case Qt::Key_Backtab:
            MoveFocus(-1);
            return true;
        case Qt::Key_Right:
        case Qt::Key_Down:
            MoveFocus(1);
            return true;
        case Qt::Key_Left:
        case Qt::Key_Up:
            MoveFocus(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            QPushButton* focused = nullptr;
            for (QPushButton* button : buttons_) {
                if (button->hasFocus()) focused = button;
            }
            if (!focused) focused = defaultButton_;
            if (focused) focused->click();
            return true;
        }
        case Qt::Key_Escape:
            if (cancelButton_) cancelButton_->click();
            return true;
        case Qt::Key_C:
            if (mods != Qt::ControlModifier) return false;
            CopyToClipboard();
            return true;
        case Qt::Key_F4:
            if (mods != Qt::AltModifier) return false;
            reject();
            return true;
        default:
            return false;
    }
}

void TMessageForm::MoveFocus(int step) {
    const int n = static_cast<int>(buttons_.size());
    if (n == 0) return;
    int current = 0;
    for (int i = 0; i < n; ++i) {
        if (buttons_[i]->hasFocus()) current = i;
    }
    buttons_[((current + step) % n + n) % n]->setFocus(step > 0 ? Qt::TabFocusReason
                                                                : Qt::BacktabFocusReason);
}

void TMessageForm::CopyToClipboard() {
    QApplication::beep();
    QGuiApplication::clipboard()->setText(ClipboardText());
}

}  // namespace app
