#include "form/OperationRunner.h"

#include <chrono>
#include <exception>

#include "db/DbQuery.h"
#include "db/DbTransaction.h"
#include "db/SqlQuote.h"
#include "form/ChangeGuard.h"

namespace form {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The log is drawn, the window's events handled and the call under way looked at this often:
// drawing and painting run beside the operation, and more often would take time from it.
constexpr auto kLoopTick = std::chrono::milliseconds(OperationRunner::kTickMs);
// While the wait dialog is open its keys and button are answered sooner.
constexpr auto kWaitTick = std::chrono::milliseconds(50);
constexpr int kProbeAfterMs = 1000;  // holders are known by the time the dialog comes up
constexpr auto kProbeInterval = std::chrono::seconds(1);

long long MillisecondsSince(SteadyClock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - since)
        .count();
}

bool IsNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

// The words of a statement's head, upper-cased, up to the first that is not a plain name.
std::vector<std::string> HeadWords(const std::string& sql, std::size_t count) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (words.size() < count && i < sql.size()) {
        while (i < sql.size() &&
               (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n'))
            ++i;
        std::string word;
        if (i < sql.size() && sql[i] == '"') {  // a quoted name keeps its case
            const std::size_t end = sql.find('"', i + 1);
            if (end == std::string::npos) break;
            words.push_back(sql.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        while (i < sql.size() && IsNameCharacter(sql[i])) {
            char c = sql[i++];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            word += c;
        }
        if (word.empty()) break;
        words.push_back(word);
    }
    return words;
}

}  // namespace

std::string WrittenTable(const std::string& sql) {
    const std::vector<std::string> w = HeadWords(sql, 5);
    auto at = [&](std::size_t i) { return i < w.size() ? w[i] : std::string(); };
    // A block writes the table of its first UPDATE.
    if (at(0) == "EXECUTE" && at(1) == "BLOCK") {
        std::string upper = sql;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        for (std::size_t i = upper.find("UPDATE"); i != std::string::npos;
             i = upper.find("UPDATE", i + 1)) {
            const bool word = (i == 0 || !IsNameCharacter(sql[i - 1])) &&
                              (i + 6 < sql.size() && !IsNameCharacter(sql[i + 6]));
            if (!word) continue;
            const std::vector<std::string> update = HeadWords(sql.substr(i), 2);
            return update.size() == 2 ? update[1] : std::string();
        }
        return {};
    }
    if (at(0) == "UPDATE" && at(1) == "OR" && at(2) == "INSERT" && at(3) == "INTO") return at(4);
    if (at(0) == "UPDATE") return at(1);
    if ((at(0) == "INSERT" || at(0) == "MERGE") && at(1) == "INTO") return at(2);
    if (at(0) == "DELETE" && at(1) == "FROM") return at(2);
    return {};
}

std::string HolderLine(const std::string& remoteProcess, const std::string& remotePid,
                       const std::string& remoteAddress) {
    db::Attachment holder{std::nullopt, remotePid, remoteAddress};
    if (!remoteProcess.empty()) holder.process = remoteProcess;
    return "사용 중인 프로그램: " + AttachmentLine(holder);
}

std::string WaitText(int seconds, const std::vector<std::string>& holderLines) {
    std::string text = "DB 작업이 끝나기를 기다리고 있습니다. (" + std::to_string(seconds) + "초)";
    for (const std::string& line : holderLines) text += "\r\n" + line;
    return text;
}

// Every call from the worker carried out on the window's thread.
class OperationRunner::HandOff : public WindowOps {
public:
    HandOff(OperationRunner& runner, WindowOps& window) : r_(runner), w_(window) {}

    int SelectedIndex(ListBoxId list) const override {
        return r_.OnWindowThread([&] { return w_.SelectedIndex(list); });
    }
    int ItemCount(ListBoxId list) const override {
        return r_.OnWindowThread([&] { return w_.ItemCount(list); });
    }
    std::string ItemBytes(ListBoxId list, int index) const override {
        return r_.OnWindowThread([&] { return w_.ItemBytes(list, index); });
    }
    void ClearItems(ListBoxId list) override {
        r_.OnWindowThread([&] { w_.ClearItems(list); });
    }
    void AppendItem(ListBoxId list, const std::string& bytes) override {
        r_.OnWindowThread([&] { w_.AppendItem(list, bytes); });
    }
    bool IsChecked(RadioId radio) const override {
        return r_.OnWindowThread([&] { return w_.IsChecked(radio); });
    }
    int Tag(RadioId radio) const override {
        return r_.OnWindowThread([&] { return w_.Tag(radio); });
    }
    DateTimeValue PickerValue(PickerId picker) const override {
        return r_.OnWindowThread([&] { return w_.PickerValue(picker); });
    }
    void SetPanelCaption(const std::string& text) override {
        r_.OnWindowThread([&] { w_.SetPanelCaption(text); });
    }
    void SetPanelVisible(bool visible) override {
        r_.OnWindowThread([&] { w_.SetPanelVisible(visible); });
    }
    void SetLabelCaption(LabelId label, const std::string& text) override {
        r_.OnWindowThread([&] { w_.SetLabelCaption(label, text); });
    }
    void SetLabelAlignment(LabelId label, Alignment alignment) override {
        r_.OnWindowThread([&] { w_.SetLabelAlignment(label, alignment); });
    }
    void ClearLog() override {
        r_.OnWindowThread([&] { w_.ClearLog(); });
    }
    void AppendLog(const std::string& line) override { r_.PostLogLine(line); }
    int MessageDialog(const std::string& text, DialogKind kind, DialogButtons buttons) override {
        return r_.OnWindowThread([&] { return w_.MessageDialog(text, kind, buttons); });
    }
    void ShowWait(const std::string& text, bool cancellable) override {
        r_.OnWindowThread([&] { w_.ShowWait(text, cancellable); });
    }
    bool WaitCancelled() override {
        return r_.OnWindowThread([&] { return w_.WaitCancelled(); });
    }
    void CloseWait(int secondsWaited, bool cancelled) override {
        r_.OnWindowThread([&] { w_.CloseWait(secondsWaited, cancelled); });
    }
    // Answered here, on the operation's own thread: the window's thread may be busy.
    bool StopRequested() override { return r_.StopRequested(); }
    void Trace(const std::string& line) override {
        r_.OnWindowThread([&] { w_.Trace(line); });
    }
    void ShowProgress(const std::string& caption, int done, int total) override {
        r_.OnWindowThread([&] { w_.ShowProgress(caption, done, total); });
    }
    void CloseProgress() override {
        r_.OnWindowThread([&] { w_.CloseProgress(); });
    }

private:
    OperationRunner& r_;
    WindowOps& w_;
};

// The programs holding uncommitted changes in one table, read every second on a thread and an
// attachment of its own, so that a server that is slow to answer never holds up the window.
class OperationRunner::HolderProbe {
public:
    HolderProbe(const db::DbConnection& watched, const std::string& table)
        : databaseName_(watched.DatabaseName()),
          params_(watched.Params()),
          ownAttachment_(watched.AttachmentId()),
          table_(table) {
        if (!table_.empty()) thread_ = std::thread([this] { Loop(); });
    }
    ~HolderProbe() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        stopped_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

private:
    void Loop() {
        try {
            db::DbConnection probe(databaseName_, params_);
            probe.Connect();
            std::unique_lock<std::mutex> lock(mutex_);
            while (!stop_) {
                lock.unlock();
                std::vector<std::string> lines = Read(probe);
                lock.lock();
                lines_ = std::move(lines);
                stopped_.wait_for(lock, kProbeInterval, [this] { return stop_; });
            }
            lock.unlock();
            probe.Disconnect();
        } catch (const std::exception&) {
            // Without the monitoring tables the dialog names no holder.
        }
    }

    // A fresh transaction each time: a monitoring snapshot is fixed for its transaction's life.
    std::vector<std::string> Read(db::DbConnection& probe) const {
        db::DbTransaction transaction(&probe);
        db::DbQuery query(&probe, &transaction);
        // clang-format off
        query.OpenQuery(std::string()
            + "SELECT DISTINCT a.MON$ATTACHMENT_ID, a.MON$REMOTE_PROCESS, a.MON$REMOTE_PID,"
            + " a.MON$REMOTE_ADDRESS"
            + " FROM MON$TRANSACTIONS t"
            + " JOIN MON$ATTACHMENTS a ON a.MON$ATTACHMENT_ID = t.MON$ATTACHMENT_ID"
            + " JOIN MON$TABLE_STATS ts ON ts.MON$STAT_ID = t.MON$STAT_ID"
            + " JOIN MON$RECORD_STATS r ON r.MON$STAT_ID = ts.MON$RECORD_STAT_ID"
            + " WHERE a.MON$ATTACHMENT_ID <> CURRENT_CONNECTION"
            + " AND a.MON$ATTACHMENT_ID <> " + std::to_string(ownAttachment_)
            + " AND a.MON$SYSTEM_FLAG = 0"
            + " AND TRIM(ts.MON$TABLE_NAME) = " + db::SqlQuote(table_)
            + " AND r.MON$RECORD_UPDATES + r.MON$RECORD_INSERTS + r.MON$RECORD_DELETES > 0"
            + " ORDER BY a.MON$ATTACHMENT_ID");
        // clang-format on
        std::vector<std::string> lines;
        while (query.HasRows() && !query.Eof()) {
            lines.push_back(HolderLine(query.FieldText("MON$REMOTE_PROCESS"),
                                       query.FieldText("MON$REMOTE_PID"),
                                       query.FieldText("MON$REMOTE_ADDRESS")));
            query.Next();
        }
        transaction.Commit();
        return lines;
    }

    const std::string databaseName_;
    const std::vector<std::string> params_;
    const long long ownAttachment_;
    const std::string table_;
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
    std::vector<std::string> lines_;
    std::thread thread_;
};

OperationRunner::OperationRunner(WindowOps& window, std::function<void()> processEvents,
                                 std::function<bool()> stopRequested)
    : window_(window),
      processEvents_(std::move(processEvents)),
      stopRequested_(std::move(stopRequested)),
      windowThread_(std::this_thread::get_id()),
      handOff_(std::make_unique<HandOff>(*this, window)) {}

OperationRunner::~OperationRunner() = default;

WindowOps& OperationRunner::Window() {
    return *handOff_;
}

bool OperationRunner::StopRequested() const {
    return stopRequested_ && stopRequested_();
}

void OperationRunner::Call(const std::function<void()>& fn) {
    std::exception_ptr failure;
    bool done = false;
    std::unique_lock<std::mutex> lock(mutex_);
    tasks_.push_back({[&] {
                          try {
                              fn();
                          } catch (...) {
                              failure = std::current_exception();
                          }
                      },
                      {},
                      &done});
    ++callsWaiting_;
    wake_.notify_one();
    answer_.wait(lock, [&] { return done; });
    lock.unlock();
    if (failure) std::rethrow_exception(failure);
}

void OperationRunner::PostLogLine(const std::string& line) {
    if (IsWindowThread()) {
        window_.AppendLog(line);
        return;
    }
    // Not woken for a line, and never waiting for the loop: the loop draws what has come every
    // tick, all at once. A line that could not be drawn fails the next one, so the operation
    // still stops on a log it cannot write.
    std::lock_guard<std::mutex> lock(mutex_);
    if (logFailure_) std::rethrow_exception(std::exchange(logFailure_, nullptr));
    tasks_.push_back({{}, line, nullptr});
}

void OperationRunner::CarryOut(std::deque<Task>& tasks) {
    // Whatever the operation handed over came after the call under watch had ended, since it
    // waits for its calls: the wait dialog goes first, so that no result box is shown over it.
    if (waitShown_ && !tasks.empty()) {
        const db::DbConnection::Call call = watched_->CurrentCall();
        if (!call.active || call.serial != waitSerial_) EndWait();
    }
    std::vector<std::string> lines;
    auto flush = [&] {
        if (lines.empty()) return;
        try {
            window_.AppendLogLines(lines);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!logFailure_) logFailure_ = std::current_exception();
        }
        lines.clear();
    };
    for (Task& task : tasks) {
        if (!task.run) {
            lines.push_back(std::move(task.line));
            continue;
        }
        flush();
        task.run();
        std::lock_guard<std::mutex> lock(mutex_);
        *task.done = true;
        answer_.notify_all();
    }
    flush();
}

void OperationRunner::Run(db::DbConnection& connection, const std::function<void()>& operation) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = false;
        logFailure_ = nullptr;
    }
    watched_ = &connection;
    std::exception_ptr failure;
    std::exception_ptr windowFailure;  // from the loop itself; the worker is still waited for
    std::thread worker([&] {
        try {
            operation();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        wake_.notify_one();
    });

    // The loop sleeps until a call is handed over, the operation ends or the next tick is due;
    // a call comes between ticks without bringing the next tick closer.
    auto nextTick = SteadyClock::now();
    for (;;) {
        std::deque<Task> batch;
        bool ended;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_until(lock, nextTick, [this] { return finished_ || callsWaiting_ > 0; });
            batch.swap(tasks_);
            callsWaiting_ = 0;
            ended = finished_;
        }
        CarryOut(batch);
        if (ended) break;
        if (SteadyClock::now() < nextTick) continue;
        try {
            Watch(connection);
            if (processEvents_) processEvents_();
        } catch (...) {
            if (!windowFailure) windowFailure = std::current_exception();
        }
        nextTick = SteadyClock::now() + (waitShown_ ? kWaitTick : kLoopTick);
    }
    worker.join();
    EndWait();
    if (failure) std::rethrow_exception(failure);
    if (windowFailure) std::rethrow_exception(windowFailure);
}

void OperationRunner::Watch(db::DbConnection& connection) {
    const db::DbConnection::Call call = connection.CurrentCall();
    if (!call.active || call.serial != waitSerial_) {
        EndWait();
        if (!call.active) return;
        waitSerial_ = call.serial;
        waitSince_ = call.since;
    }
    if (StopRequested()) {
        // The tool is to end: nothing is waited for, and no dialog is shown.
        // Raised again on every pass: one that comes while the statement is still being
        // prepared may find nothing to cancel yet.
        if (waitShown_) window_.CloseWait(SecondsWaited(), true);
        waitShown_ = false;
        connection.CancelCall();
        return;
    }
    const long long waited = MillisecondsSince(call.since);
    if (waited >= kProbeAfterMs && !probe_)
        probe_ = std::make_unique<HolderProbe>(connection, WrittenTable(call.sql));
    if (waited < kWaitDialogAfterMs) return;

    const std::string text = WaitText(static_cast<int>(waited / 1000), probe_->Lines());
    if (!waitShown_ || text != shownText_) {
        window_.ShowWait(text, connection.CanCancel());
        waitShown_ = true;
        shownText_ = text;
    }
    if (!cancelSent_ && window_.WaitCancelled()) cancelSent_ = connection.CancelCall();
}

int OperationRunner::SecondsWaited() const {
    return static_cast<int>(MillisecondsSince(waitSince_) / 1000);
}

void OperationRunner::EndWait() {
    if (waitShown_) window_.CloseWait(SecondsWaited(), cancelSent_);
    waitShown_ = false;
    cancelSent_ = false;
    shownText_.clear();
    probe_.reset();
}

}  // namespace form
