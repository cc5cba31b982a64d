#include "form/ChangeGuard.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "db/DbError.h"
#include "db/ServiceBackup.h"

namespace form {

namespace {

constexpr const char* kOthersConnected = "다른 프로그램이 DB에 연결되어 있습니다.";
constexpr const char* kCloseThemFirst =
    "포스 프로그램을 종료한 후 사용하세요. 그래도 진행하시겠습니까?";
constexpr const char* kUnknownProgram = "알 수 없는 프로그램";
constexpr const char* kBackupFailed = "DB 백업에 실패하여 작업을 진행하지 않습니다.";
constexpr const char* kOthersUnknown =
    "다른 프로그램의 DB 연결 여부를 확인할 수 없어 작업을 진행하지 않습니다.";
constexpr const char* kBackupCaption = "DB 백업 중";

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

DateTimeValue LocalNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

// A backup path not used yet: the server would overwrite an existing file silently. Two
// backups within one second would get the same name, so the second waits for the next second.
std::string UnusedBackupPath(const std::string& databaseFile) {
    static std::mutex mutex;
    static std::string lastUsed;
    std::lock_guard<std::mutex> lock(mutex);
    std::string path;
    for (int attempt = 0; attempt < 30; ++attempt) {
        path = BackupPathFor(databaseFile, LocalNow());
        // A file the user cannot see (a folder without read rights) only the server can tell;
        // anything else than a file under that name makes the server fail the backup.
        std::error_code unknown;
        if (path != lastUsed && !std::filesystem::is_regular_file(path, unknown)) {
            lastUsed = path;
            return path;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    throw db::DbError("The backup file exists already: " + path);
}

// Closes the progress dialog however the backup ends.
class ProgressShown {
public:
    explicit ProgressShown(WindowOps& ui) : ui_(ui) { ui_.ShowProgress(kBackupCaption, 0, 0); }
    ~ProgressShown() { ui_.CloseProgress(); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    WindowOps& ui_;
};

// The operation ends here, before any change, as a failure.
bool Stop(FormState& form) {
    form.stoppedBeforeChange = true;
    return false;
}

// What a failed read of a check means for the operation (see ChangeGuard.h): the step's result,
// `refuse` giving it for a failure that neither stops the operation nor lets it go on.
bool AfterFailedRead(FormState& form, const std::exception& failure,
                     const std::function<bool()>& refuse) {
    const auto* error = dynamic_cast<const db::DbError*>(&failure);
    const db::FailureCause cause = error ? error->Cause() : db::FailureCause::Other;
    if (form.ui.StopRequested() || cause == db::FailureCause::Cancelled) return Stop(form);
    if (!form.IBDatabase1.IsConnected() || cause == db::FailureCause::ConnectionLost) return true;
    return refuse();
}

// The checks read through the attachment the change will use: one is made now when there is
// none. When that fails, none is made later in the operation either (the window resumes after it):
// its first statement fails with the same failure, as on an unreachable server, before any change.
void AttachForChecks(db::DbConnection& connection) {
    if (connection.IsConnected()) return;
    try {
        connection.Connect();
    } catch (const db::DbError& e) {
        connection.HoldOffConnect(e);
        throw;
    }
}

// "디스크 여유 공간 부족: 필요 N MB, 남음 M MB" when the disk of the database file's folder, as
// far as this machine sees it, has less room than the database takes; none otherwise.
std::optional<std::string> SpaceShortage(FormState& form, const db::DatabaseFile& file) {
    const std::size_t folderEnd = file.path.find_last_of("/\\");
    if (folderEnd == std::string::npos) return std::nullopt;
    const std::string folder = file.path.substr(0, folderEnd + 1);
    const std::optional<std::uintmax_t> available =
        form.freeSpace ? form.freeSpace(folder) : LocalFreeSpace(folder);
    if (!available || *available >= file.bytes) return std::nullopt;
    constexpr unsigned long long kMb = 1024 * 1024;
    return "디스크 여유 공간 부족: 필요 " + std::to_string((file.bytes + kMb - 1) / kMb) +
           " MB, 남음 " + std::to_string(*available / kMb) + " MB";
}

}  // namespace

std::optional<std::uintmax_t> LocalFreeSpace(const std::string& folder) {
    std::error_code failed;
    if (!std::filesystem::is_directory(std::filesystem::u8path(folder), failed))
        return std::nullopt;
    const std::filesystem::space_info space =
        std::filesystem::space(std::filesystem::u8path(folder), failed);
    if (failed) return std::nullopt;
    return space.available;
}

std::string AttachmentLine(const db::Attachment& attachment) {
    std::string name = kUnknownProgram;
    if (attachment.process) {
        name = *attachment.process;
        const std::size_t folder = name.find_last_of("/\\");
        if (folder != std::string::npos) name.erase(0, folder + 1);
    }
    const std::string address = attachment.address.substr(0, attachment.address.find('/'));
    return name + " (PID " + attachment.pid + ", " + address + ")";
}

std::string BackupPathFor(const std::string& databaseFile, const DateTimeValue& at) {
    const std::size_t folderEnd = databaseFile.find_last_of("/\\");
    const std::size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    std::string stem = databaseFile.substr(nameStart);
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    return databaseFile.substr(0, nameStart) + stem + "-" + std::to_string(at.year) +
           TwoDigits(at.month) + TwoDigits(at.day) + "-" + TwoDigits(at.hour) +
           TwoDigits(at.minute) + TwoDigits(at.second) + ".fbk";
}

bool AskIfOthersConnected(FormState& form) {
    std::vector<db::Attachment> others;
    try {
        AttachForChecks(form.IBDatabase1);
        others = db::OtherAttachments(form.IBDatabase1);
    } catch (const std::exception& e) {
        return AfterFailedRead(form, e, [&] {
            form.ui.MessageDialog(std::string(kOthersUnknown) + "\r\n" + e.what(),
                                  DialogKind::Warning, DialogButtons::Ok);
            return Stop(form);
        });
    }
    if (form.ui.StopRequested()) return Stop(form);
    if (others.empty()) return true;
    std::string text = kOthersConnected;
    for (const db::Attachment& other : others) text += "\r\n" + AttachmentLine(other);
    text += "\r\n";
    text += kCloseThemFirst;
    return form.ui.MessageDialog(text, DialogKind::Warning, DialogButtons::OkCancelDefaultCancel) ==
           kResultOk;
}

bool BackUpBeforeChange(FormState& form, bool logToPage, std::string* backupPath) {
    WindowOps& ui = form.ui;
    if (backupPath) backupPath->clear();
    auto refuse = [&](const std::string& reason) {
        if (logToPage) ui.AppendLog(kBackupFailed);
        ui.MessageDialog(std::string(kBackupFailed) + "\r\n" + reason, DialogKind::Warning,
                         DialogButtons::Ok);
        return Stop(form);
    };
    db::DatabaseFile databaseFile;
    try {
        databaseFile = db::DatabaseFileOf(form.IBDatabase1);
    } catch (const std::exception& e) {
        return AfterFailedRead(form, e, [&] { return refuse(e.what()); });
    }
    if (ui.StopRequested()) return Stop(form);
    // A disk that the backup would fill would stop the POS program's own writes too.
    if (const std::optional<std::string> shortage = SpaceShortage(form, databaseFile))
        return refuse(*shortage);

    std::string path;
    long long bytes = 0;
    try {
        path = UnusedBackupPath(databaseFile.path);
        ProgressShown shown(ui);
        bytes = db::BackUpThroughServer(
            form.IBDatabase1, path,
            [&ui](int done, int total) { ui.ShowProgress(kBackupCaption, done, total); },
            [&ui] { return ui.StopRequested(); });
    } catch (const std::exception& e) {
        if (ui.StopRequested()) return Stop(form);
        return refuse(e.what());
    }
    if (backupPath) *backupPath = path;
    const std::string line = "백업: " + path + " (" + std::to_string(bytes) + " bytes)";
    if (logToPage)
        ui.AppendLog(line);
    else
        ui.Trace(line);
    // A request to end that came while the last of the backup was read.
    if (ui.StopRequested()) return Stop(form);
    return true;
}

}  // namespace form
