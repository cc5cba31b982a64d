#pragma once

#include <string>
#include <vector>

namespace form {

// Message dialog kinds, with the values the dialog primitive uses.
enum class DialogKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// Button sets as flags: OK = 4, Cancel = 8. kDefaultCancel marks a set of OK and Cancel whose
// default button (the first focus, Enter) is Cancel.
constexpr int kDefaultCancel = 0x100;
enum class DialogButtons { Ok = 4, OkCancel = 12, OkCancelDefaultCancel = 12 | kDefaultCancel };

// Dialog results: OK = 1, Cancel (and the close box) = 2.
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

enum class ListBoxId { ListBox1, ListBox2 };
enum class RadioId { RadioButton1, RadioButton2, RadioButton3, RadioButton4 };
enum class PickerId { dtChange01, dtChange02 };
enum class LabelId { lbChange01, lbChange02 };
enum class Alignment { Left, Right };

// A date picker's value: local date and time of day.
struct DateTimeValue {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Everything the store repairs and the date correction need of the main window. The Qt window
// implements it; tests use a scripted double.
//
// Two kinds of text cross this interface:
// - list items are database values, raw code page 949 bytes, handed back exactly as they were
//   appended;
// - dialog texts, captions and log lines are display text in UTF-8. An operation that puts a
//   database value into a message decodes it first (see Cp949.h).
class WindowOps {
public:
    virtual ~WindowOps() = default;

    // List boxes. SelectedIndex is -1 when nothing is selected; ItemBytes of an index outside
    // the list is the empty text.
    virtual int SelectedIndex(ListBoxId list) const = 0;
    virtual int ItemCount(ListBoxId list) const = 0;
    virtual std::string ItemBytes(ListBoxId list, int index) const = 0;
    virtual void ClearItems(ListBoxId list) = 0;
    virtual void AppendItem(ListBoxId list, const std::string& bytes) = 0;

    // Radio buttons: checked state and the Tag stored with each.
    virtual bool IsChecked(RadioId radio) const = 0;
    virtual int Tag(RadioId radio) const = 0;

    // Date pickers.
    virtual DateTimeValue PickerValue(PickerId picker) const = 0;

    // The date correction panel and its two labels.
    virtual void SetPanelCaption(const std::string& text) = 0;
    virtual void SetPanelVisible(bool visible) = 0;
    virtual void SetLabelCaption(LabelId label, const std::string& text) = 0;
    virtual void SetLabelAlignment(LabelId label, Alignment alignment) = 0;

    // The log of the date correction page. A line is shown as soon as it is appended.
    virtual void ClearLog() = 0;
    virtual void AppendLog(const std::string& line) = 0;
    // Several lines at once, as if appended one by one; a window may draw them together.
    virtual void AppendLogLines(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) AppendLog(line);
    }

    // Shows a modal message dialog and returns its result (kResultOk, kResultCancel).
    virtual int MessageDialog(const std::string& text, DialogKind kind, DialogButtons buttons) = 0;

    // A modal progress dialog with a caption and no button: the first call opens it, every call
    // shows done of total (total 0: not known yet), CloseProgress closes it.
    virtual void ShowProgress(const std::string& caption, int done, int total) = 0;
    virtual void CloseProgress() = 0;
    // The wait dialog, shown while an operation's database call has not returned: caption "대기",
    // the text, and a "취소" button when the call can be cancelled. It is modal but does not block
    // the caller: ShowWait shows it or replaces its text, WaitCancelled tells whether "취소" has
    // been pressed since it was shown, CloseWait closes it once the call has ended, after
    // secondsWaited, cancelled when the call was cancelled ("취소", or the tool is to end). A
    // window without one shows nothing.
    virtual void ShowWait(const std::string& /*text*/, bool /*cancellable*/) {}
    virtual bool WaitCancelled() { return false; }
    virtual void CloseWait(int /*secondsWaited*/, bool /*cancelled*/) {}

    // Whether the tool is to end (a termination signal, the end of the session): an operation
    // changes nothing from then on. Safe from any thread.
    virtual bool StopRequested() { return false; }
    // A line for the log of changes only, not for the page's log.
    virtual void Trace(const std::string& /*line*/) {}
};

}  // namespace form
