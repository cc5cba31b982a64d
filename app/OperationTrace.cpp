#include "app/OperationTrace.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace app {

const char* const kTraceNotWritten = "작업 기록 파일을 저장할 수 없습니다.";

namespace {

// A dialog's text on one line. A move traces tens of thousands of log lines: each is copied in
// one go up to its first line break, and most have none.
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        out.append(text, from, end - from);
        if (end == text.size()) break;
        out += " / ";
        from = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return out;
}

// A message of failure: a warning or an error with only OK.
bool IsFailureBox(form::DialogKind kind, form::DialogButtons buttons) {
    return (kind == form::DialogKind::Warning || kind == form::DialogKind::Error) &&
           buttons == form::DialogButtons::Ok;
}

}  // namespace

OperationTrace::OperationTrace(QString folder, Clock clock)
    : folder_(std::move(folder)), clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return QDateTime::currentDateTime(); };
}

QString OperationTrace::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/logs");
}

QString OperationTrace::FileOf(const QDate& day) const {
    return folder_ + QStringLiteral("/posfix-") + day.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".log");
}

void OperationTrace::Started(const std::string& clientLibraryFile) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string caption = std::exchange(caption_, std::string());
    Write("시작: 클라이언트 " + OneLine(clientLibraryFile));
    caption_ = caption;
}

void OperationTrace::Begin(const std::string& pageCaption) {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = true;
    failed_ = false;
    endedByStop_ = false;
    writeFailed_ = false;
    caption_ = pageCaption;
}

void OperationTrace::Dialog(const std::string& text, form::DialogKind kind,
                            form::DialogButtons buttons, int result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return;
    if (IsFailureBox(kind, buttons)) failed_ = true;
    Write(OneLine(text) + " → " + (result == form::kResultOk ? "OK" : "Cancel"));
}

void OperationTrace::DialogWhileEnding(form::DialogKind kind, form::DialogButtons buttons,
                                       int result, bool shown) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return;
    if (!shown && IsFailureBox(kind, buttons)) failed_ = true;
    if (buttons != form::DialogButtons::Ok && result != form::kResultOk) endedByStop_ = true;
}

void OperationTrace::Wait(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_) Write("대기: " + OneLine(text));
}

void OperationTrace::WaitEnded(int seconds, bool cancelled) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_)
        Write(std::string(cancelled ? "대기 취소 (" : "대기 끝 (") + std::to_string(seconds) +
              "초)");
}

void OperationTrace::Line(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_) Write(OneLine(text));
}

void OperationTrace::Lines(const std::vector<std::string>& texts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_ || texts.empty()) return;
    std::vector<std::string> lines;
    lines.reserve(texts.size());
    for (const std::string& text : texts) lines.push_back(OneLine(text));
    Write(lines);
}

void OperationTrace::Escaped(const std::string& errorBoxText) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return;
    failed_ = true;
    Write(OneLine(errorBoxText));
}

std::string OperationTrace::End(bool failed, bool ownResult) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_) return {};
    Write(failed || endedByStop_ || (failed_ && !ownResult) ? "실패" : "완료");
    active_ = false;
    if (!writeFailed_ || reported_) return {};
    reported_ = true;
    return std::string(kTraceNotWritten) + "\r\n" +
           QDir::toNativeSeparators(FileOf(clock_().date())).toStdString();
}

void OperationTrace::Write(const std::string& text) {
    Write(std::vector<std::string>{text});
}

void OperationTrace::Write(const std::vector<std::string>& texts) {
    const QDateTime now = clock_();
    // One open file per day; a new day (or a failed write) opens the file anew.
    if (fileDay_ != now.date() || !file_.isOpen()) {
        file_.close();
        fileDay_ = now.date();
        file_.setFileName(FileOf(fileDay_));
        if (!QDir().mkpath(folder_) || !file_.open(QIODevice::Append | QIODevice::Text)) {
            writeFailed_ = true;
            return;
        }
    }
    const QByteArray head = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + ' ' +
                            QByteArray::fromStdString(caption_) + ' ';
    std::size_t size = 0;
    for (const std::string& text : texts)
        size += static_cast<std::size_t>(head.size()) + text.size() + 1;
    QByteArray lines;
    lines.reserve(static_cast<qsizetype>(size));
    for (const std::string& text : texts) {
        lines += head;
        lines.append(text.data(), static_cast<qsizetype>(text.size()));
        lines += '\n';
    }
    if (file_.write(lines) != lines.size() || !file_.flush()) {
        writeFailed_ = true;
        file_.close();
    }
}

}  // namespace app
