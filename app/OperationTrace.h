#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "form/WindowOps.h"

namespace app {

// The trace of the operations that change the database, in one file per day,
// "posfix-YYYY-MM-DD.log" in its folder. One line per event: "YYYY-MM-DD HH:MM:SS <page caption>
// <text>". An operation's events are its dialogs (text on one line, line breaks as " / ", then
// " → " and the button chosen), the lines of the date page's log, the lines it traces itself (its
// backup), its waits ("대기: " and the wait dialog's first text, then "대기 끝 (N초)" or "대기 취소
// (N초)") and its end, "완료" or "실패". Each line (or batch of log lines, as the window draws
// them) is handed to the system as it is written, so a killed tool leaves its trace up to the kill.
//
// An operation fails ("실패") when an exception leaves it (the error box's text is traced before
// the end), when it shows a message of failure (a warning or an error with only OK: its failure
// message, a missing selection, a refused date) or when it says so itself (the date page's error
// end line, a stop before any change). A question (OK and Cancel, the one on other programs
// attached included) is no failure, whatever the answer: the operation then ends with "완료", as
// every other one does. Once the tool is told to end no box is shown: a failure box fails the
// operation all the same, and a question the end answered (shown or not) ends it before its
// change, as a failure. An operation that tells its own result (the date page) ends as that
// result says, unless an exception left it or the end answered a question: a warning after it
// completed does not make it fail.
//
// A file that cannot be written never stops an operation; End says so once per run of the tool.
class OperationTrace {
public:
    using Clock = std::function<QDateTime()>;

    explicit OperationTrace(QString folder, Clock clock = {});

    // "logs" in the user's application data folder.
    static QString DefaultFolder();
    // The file for the given day.
    QString FileOf(const QDate& day) const;

    // The start of the tool, once the client library has loaded: "시작: 클라이언트 " and the
    // library's file, with an empty page caption (two blanks after the time).
    void Started(const std::string& clientLibraryFile);

    // Events outside Begin..End are not traced.
    void Begin(const std::string& pageCaption);
    void Dialog(const std::string& text, form::DialogKind kind, form::DialogButtons buttons,
                int result);
    // A dialog while the tool is told to end, `shown` or not (then Cancel answered it, and it is
    // not written).
    void DialogWhileEnding(form::DialogKind kind, form::DialogButtons buttons, int result,
                           bool shown);
    // The wait dialog came up with this text; it closed after `seconds`, `cancelled` or not.
    void Wait(const std::string& text);
    void WaitEnded(int seconds, bool cancelled);
    void Line(const std::string& text);
    // Several lines of the log at once: one write to the file.
    void Lines(const std::vector<std::string>& texts);
    // An exception left the operation; `errorBoxText` is what the error box shows.
    void Escaped(const std::string& errorBoxText);
    // Writes the end line (`failed` adds to the failures seen; with `ownResult` the failure
    // boxes shown do not count) and returns the warning to show when the trace could not be
    // written: the first time in this run only, empty otherwise.
    std::string End(bool failed, bool ownResult = false);

private:
    void Write(const std::string& text);
    void Write(const std::vector<std::string>& texts);

    QString folder_;
    Clock clock_;
    std::mutex mutex_;
    QFile file_;
    QDate fileDay_;  // the day of the open file
    bool active_ = false;
    bool failed_ = false;       // a failure box
    bool endedByStop_ = false;  // a question the tool's end answered
    bool writeFailed_ = false;  // in this operation
    bool reported_ = false;     // in this run
    std::string caption_;
};

// The warning shown once per run when the trace cannot be written: this line, then the file.
extern const char* const kTraceNotWritten;

}  // namespace app
