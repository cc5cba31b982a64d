#include "app/MoveJournalFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cctype>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace app {

namespace {

constexpr const char* kHeading = "posfix sales date move journal";
constexpr const char* kDone = "done";
constexpr std::size_t kDbKeySize = 8;
constexpr const char kHexDigits[] = "0123456789ABCDEF";

bool NeedsEscape(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '%';
}

void AppendHex(QByteArray& out, char c) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

// Appends value to out, escaped. A journal holds one line per moved row: plain values, nearly all
// of them, are copied in one piece.
void AppendEscaped(QByteArray& out, const std::string& value) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (!NeedsEscape(value[i])) continue;
        out.append(value.data() + plain, static_cast<qsizetype>(i - plain));
        out += '%';
        AppendHex(out, value[i]);
        plain = i + 1;
    }
    out.append(value.data() + plain, static_cast<qsizetype>(value.size() - plain));
}

std::string Unescaped(const QByteArray& value) {
    return QByteArray::fromPercentEncoding(value).toStdString();
}

// Room for the lines of `rows` when nothing in them needs escaping.
qsizetype RowsSize(const std::vector<form::JournalRow>& rows) {
    std::size_t size = 0;
    for (const form::JournalRow& row : rows)
        size += 8 + row.table.size() + row.key.size() + row.tblSalSeq.size() + 2 * kDbKeySize;
    return static_cast<qsizetype>(size);
}

// False for an address that is not one: its line would make the journal unreadable.
bool AppendRow(QByteArray& text, const form::JournalRow& row) {
    text += "row\t";
    AppendEscaped(text, row.table);
    text += '\t';
    AppendEscaped(text, row.key);
    // An address comes after the Tbl_Sal_Seq field, that one empty or not.
    if (!row.tblSalSeq.empty() || !row.dbKey.empty()) {
        text += '\t';
        AppendEscaped(text, row.tblSalSeq);
    }
    if (!row.dbKey.empty()) {
        if (row.dbKey.size() != kDbKeySize) return false;
        text += '\t';
        for (const char byte : row.dbKey) AppendHex(text, byte);
    }
    text += '\n';
    return true;
}

bool ReadDbKey(const QByteArray& field, std::string& dbKey) {
    if (field.size() != static_cast<qsizetype>(2 * kDbKeySize)) return false;
    for (const char c : field)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    dbKey = QByteArray::fromHex(field).toStdString();
    return true;
}

// Has what was written to the file on the disk.
bool SyncToDisk(QFile& file) {
    if (!file.flush()) return false;
#ifdef _WIN32
    return _commit(file.handle()) == 0;
#else
    return fsync(file.handle()) == 0;
#endif
}

// Replaces the file whole: QSaveFile writes a temporary file, syncs it to disk and only then
// renames it.
bool SaveFile(const QString& path, const QByteArray& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// The file beside a journal that marks it as a completed move's.
QString MarkerOf(const QString& journal) {
    return journal.chopped(4) + QStringLiteral(".done");
}

QByteArray MarkerText(const QByteArray& journalText) {
    return QCryptographicHash::hash(journalText, QCryptographicHash::Sha256).toHex() + '\n';
}

bool MarkedDone(const QString& journal, const QByteArray& journalText) {
    QFile marker(MarkerOf(journal));
    return marker.open(QIODevice::ReadOnly) && marker.readAll() == MarkerText(journalText);
}

}  // namespace

QString MoveJournalFile::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString MoveJournalFile::FileOf(const std::string& database) const {
    QString readable;
    for (const char c : database.substr(0, 40)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.';
        readable += plain ? QLatin1Char(c) : QLatin1Char('_');
    }
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(database), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return folder_ + QStringLiteral("/date-move-") + readable + QLatin1Char('-') +
           QString::fromLatin1(hash) + QStringLiteral(".txt");
}

form::JournalState MoveJournalFile::Read(const std::string& database,
                                         form::MoveJournalEntry& entry) const {
    const QString path = FileOf(database);
    QFile file(path);
    if (!file.exists()) return form::JournalState::None;
    if (!file.open(QIODevice::ReadOnly)) return form::JournalState::Unreadable;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) return form::JournalState::Unreadable;
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();  // empty, or a line cut short by a crash while it was appended
    if (lines.isEmpty() || lines.first() != kHeading) return form::JournalState::Unreadable;
    const bool doneLine = lines.last() == kDone;
    if (doneLine) lines.removeLast();

    form::MoveJournalEntry read;
    bool sameDatabase = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        const QByteArray& kind = fields.first();
        if (fields.size() < 2) return form::JournalState::Unreadable;
        const std::string value = Unescaped(fields[1]);
        if (kind == "database" && fields.size() == 2) {
            sameDatabase = value == database;
        } else if (kind == "wrong" && fields.size() == 2) {
            read.wrongDate = value;
        } else if (kind == "target" && fields.size() == 2) {
            read.targetDate = value;
        } else if (kind == "start" && fields.size() == 2) {
            read.startTime = value;
        } else if (kind == "backup" && fields.size() == 2) {
            read.backup = value;
        } else if (kind == "row" && fields.size() >= 3 && fields.size() <= 5) {
            form::JournalRow row{value, Unescaped(fields[2]),
                                 fields.size() >= 4 ? Unescaped(fields[3]) : ""};
            if (fields.size() == 5 && !ReadDbKey(fields[4], row.dbKey))
                return form::JournalState::Unreadable;
            read.rows.push_back(std::move(row));
        } else {
            return form::JournalState::Unreadable;
        }
    }
    // The name inside the file decides, not the file name alone; a file under this database's
    // name that belongs to another is not ours to replace.
    if (!sameDatabase || read.wrongDate.size() != 8 || read.targetDate.size() != 8)
        return form::JournalState::Unreadable;
    if (doneLine || MarkedDone(path, text)) return form::JournalState::Completed;
    entry = std::move(read);
    return form::JournalState::Found;
}

bool MoveJournalFile::Write(const std::string& database, const form::MoveJournalEntry& entry) {
    if (!QDir(folder_).exists()) {
        // A folder made now is named in its parent, which is synced for it.
        if (!QDir().mkpath(folder_)) return false;
        QDir parent(folder_);
        if (!parent.cdUp() || !SyncFolder(parent.path())) return false;
    }
    QByteArray text;
    text.reserve(static_cast<qsizetype>(128 + database.size() + entry.backup.size()) +
                 RowsSize(entry.rows));
    text += kHeading;
    text += "\ndatabase\t";
    AppendEscaped(text, database);
    text += "\nwrong\t";
    AppendEscaped(text, entry.wrongDate);
    text += "\ntarget\t";
    AppendEscaped(text, entry.targetDate);
    text += "\nstart\t";
    AppendEscaped(text, entry.startTime);
    text += '\n';
    if (!entry.backup.empty()) {
        text += "backup\t";
        AppendEscaped(text, entry.backup);
        text += '\n';
    }
    for (const form::JournalRow& row : entry.rows)
        if (!AppendRow(text, row)) return false;
    // The rename that put it in place is on disk only once its folder is.
    const QString path = FileOf(database);
    if (!SaveFile(path, text) || !SyncFolder(folder_)) return false;
    // A completed move's marker names the bytes of the journal just replaced: it has no use left.
    QFile::remove(MarkerOf(path));
    return true;
}

bool MoveJournalFile::Append(const std::string& database, const form::MoveJournalEntry& entry,
                             const std::vector<form::JournalRow>& added) {
    QFile file(FileOf(database));
    if (!file.exists()) return Write(database, entry);
    QByteArray text;
    text.reserve(RowsSize(added));
    for (const form::JournalRow& row : added)
        if (!AppendRow(text, row)) return false;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    return file.write(text) == text.size() && SyncToDisk(file);
}

bool MoveJournalFile::MarkDone(const QString& path) {
    // The marker beside it first: it leaves the journal itself alone, which a program that holds
    // it may not let anyone write.
    QFile file(path);
    QByteArray text;
    if (file.open(QIODevice::ReadOnly)) {
        text = file.readAll();
        if (file.error() == QFileDevice::NoError && SaveFile(MarkerOf(path), MarkerText(text)) &&
            SyncFolder(folder_))
            return true;
        file.close();
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    // After a last line cut short, the mark goes on a line of its own.
    const QByteArray line =
        (text.isEmpty() || text.endsWith('\n') ? "" : "\n") + QByteArray(kDone) + '\n';
    return file.write(line) == line.size() && SyncToDisk(file);
}

bool MoveJournalFile::Remove(const std::string& database) {
    const QString path = FileOf(database);
    if (!QFile::exists(path)) return true;
    // Marked before it goes: should it stay, or come back after a power cut, it reads as a
    // completed move's. A mark that cannot be made does not keep the journal from going.
    MarkDone(path);
    for (int tries = 1; !RemoveFile(path); ++tries) {
        if (tries == kRemoveTries) return false;
        PauseBeforeRetry();
    }
    SyncFolder(folder_);
    QFile::remove(MarkerOf(path));
    return true;
}

void MoveJournalFile::PauseBeforeRetry() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// Windows keeps no handle for a folder to sync: NTFS journals its own entries.
bool MoveJournalFile::SyncFolder(const QString& folder) {
#ifdef _WIN32
    (void)folder;
    return true;
#else
    const int handle = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (handle < 0) return false;
    const bool synced = fsync(handle) == 0;
    close(handle);
    return synced;
#endif
}

std::string MoveJournalFile::Location(const std::string& database) const {
    return QDir::toNativeSeparators(FileOf(database)).toStdString();
}

}  // namespace app
