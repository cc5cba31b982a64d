#pragma once

#include <QDialog>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

#include "form/WindowOps.h"

class QPushButton;

namespace app {

// a * b / c rounded to the nearest whole number, halves away from zero. c must not be 0.
int MulDivRound(int a, int b, int c);

// What the dialog's geometry is computed from, all measured in the message font.
struct DialogLayoutInput {
    int lettersWidth = 0;   // width of "A".."Z" followed by "a".."z" on one line
    int lettersHeight = 0;  // height of that line
    int textWidth = 0;      // message laid out with word wrap at half the screen width
    int textHeight = 0;
    std::vector<int> captionWidths;  // single-line width of each button caption, left to right
    bool hasIcon = true;
};

// The dialog's geometry in client coordinates.
struct DialogLayout {
    int unitX = 0, unitY = 0;
    int horzMargin = 0, vertMargin = 0, horzSpacing = 0, vertSpacing = 0;
    int minButtonWidth = 0, buttonWidth = 0, buttonHeight = 0, buttonSpacing = 0;
    int iconTextWidth = 0, iconTextHeight = 0, buttonRowWidth = 0;
    int clientWidth = 0, clientHeight = 0;
    QRect icon;  // empty for a kind without icon
    QRect text;
    std::vector<QRect> buttons;
};

// Lays the dialog out from measured metrics; pure, so it can be checked with given numbers.
DialogLayout ComputeDialogLayout(const DialogLayoutInput& in);

// Top-left corner that centres a window of the given outer size on the screen.
QPoint CentredPosition(QSize screen, QSize window);

// Caption of a dialog kind: "Warning", "Error", "Information", "Confirm".
QString KindCaption(form::DialogKind kind);

// Button captions of a set, left to right.
QStringList ButtonCaptions(form::DialogButtons buttons);

// The dialog's content as Ctrl+C puts it on the clipboard.
QString DialogClipboardText(const QString& caption, const QString& message,
                            const QStringList& buttonCaptions);

// CR LF and lone CR become LF, the line break the widgets draw.
QString DisplayLineBreaks(const QString& text);

// The error box's text for display, in UTF-8. A text that is not valid UTF-8 is read as code
// page 949 (server texts quote database values in it). Then "." is appended when the last
// character sorts after "." in byte order (a multi-byte character compares by its first byte, so
// a Korean one gets the stop).
std::string ErrorBoxText(const std::string& text);

// The message dialog window. Sizes itself to its text from the message font, sits in the centre
// of the screen and ends with the result of the pressed button. Keyboard: focus starts on the
// first button; Tab, Shift+Tab and the arrows cycle through the buttons; Enter and Space press
// the focused button; Esc presses the cancel button; Ctrl+C copies the content.
class TMessageForm : public QDialog {
    Q_OBJECT
public:
    TMessageForm(const QString& text, form::DialogKind kind, form::DialogButtons buttons,
                 QWidget* parent = nullptr);

    const DialogLayout& Layout() const { return layout_; }
    QString Text() const { return message_; }
    QString ClipboardText() const;
    QPushButton* DefaultButton() const { return defaultButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

    void reject() override;  // close box, Alt+F4: result 2

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleKey(QKeyEvent* key);
    void MoveFocus(int step);
    void CopyToClipboard();

    QString message_;
    DialogLayout layout_;
    QList<QPushButton*> buttons_;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace app
