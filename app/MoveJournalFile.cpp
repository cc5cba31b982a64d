#include "app/MoveJournalFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

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

bool NeedsEscape(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '%';
}

// Appends value to out, escaped. A journal holds one line per moved row and is written whole
// before every commit of a move: plain values, nearly all of them, are copied in one piece.
void AppendEscaped(QByteArray& out, const std::string& value) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (!NeedsEscape(value[i])) continue;
        out.append(value.data() + plain, static_cast<qsizetype>(i - plain));
        out += '%' + QByteArray::number(static_cast<unsigned char>(value[i]), 16)
                         .rightJustified(2, '0')
                         .toUpper();
        plain = i + 1;
    }
    out.append(value.data() + plain, static_cast<qsizetype>(value.size() - plain));
}

std::string Unescaped(const QByteArray& value) {
    return QByteArray::fromPercentEncoding(value).toStdString();
}

void AppendRow(QByteArray& text, const form::JournalRow& row) {
    text += "row\t";
    AppendEscaped(text, row.table);
    text += '\t';
    AppendEscaped(text, row.key);
    if (!row.tblSalSeq.empty()) {
        text += '\t';
        AppendEscaped(text, row.tblSalSeq);
    }
    text += '\n';
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

// Has the folder's entries (a file created, renamed or removed) on the disk. Windows keeps no
// handle for a folder to sync: NTFS journals its own entries.
bool SyncFolder(const QString& folder) {
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
    QFile file(FileOf(database));
    if (!file.exists()) return form::JournalState::None;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (unremoved_.count(database)) return form::JournalState::Unreadable;
    }
    if (!file.open(QIODevice::ReadOnly)) return form::JournalState::Unreadable;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) return form::JournalState::Unreadable;
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();  // empty, or a line cut short by a crash while it was appended
    if (lines.isEmpty() || lines.first() != kHeading) return form::JournalState::Unreadable;

    form::MoveJournalEntry read;
    bool sameDatabase = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        const QByteArray& kind = fields.first();
        // A completed move that could not remove its journal marked it done first.
        if (kind == kDone) return form::JournalState::Unreadable;
        if (fields.size() < 2) return form::JournalState::Unreadable;
        const std::string value = Unescaped(fields[1]);
        if (kind == "database" && fields.size() == 2)
            sameDatabase = value == database;
        else if (kind == "wrong" && fields.size() == 2)
            read.wrongDate = value;
        else if (kind == "target" && fields.size() == 2)
            read.targetDate = value;
        else if (kind == "start" && fields.size() == 2)
            read.startTime = value;
        else if (kind == "backup" && fields.size() == 2)
            read.backup = value;
        else if (kind == "row" && (fields.size() == 3 || fields.size() == 4))
            read.rows.push_back(
                {value, Unescaped(fields[2]), fields.size() == 4 ? Unescaped(fields[3]) : ""});
        else
            return form::JournalState::Unreadable;
    }
    // The name inside the file decides, not the file name alone; a file under this database's
    // name that belongs to another is not ours to replace.
    if (!sameDatabase || read.wrongDate.size() != 8 || read.targetDate.size() != 8)
        return form::JournalState::Unreadable;
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
    std::size_t size = 128 + database.size();
    for (const form::JournalRow& row : entry.rows)
        size += 8 + row.table.size() + row.key.size() + row.tblSalSeq.size();
    QByteArray text;
    text.reserve(static_cast<qsizetype>(size));
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
    for (const form::JournalRow& row : entry.rows) AppendRow(text, row);
    // QSaveFile writes a temporary file, syncs it to disk and only then renames it.
    QSaveFile file(FileOf(database));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    // The rename that put it in place is on disk only once its folder is.
    return file.commit() && SyncFolder(folder_);
}

bool MoveJournalFile::Append(const std::string& database, const form::MoveJournalEntry& entry,
                             const std::vector<form::JournalRow>& added) {
    QFile file(FileOf(database));
    if (!file.exists()) return Write(database, entry);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    QByteArray text;
    for (const form::JournalRow& row : added) AppendRow(text, row);
    return file.write(text) == text.size() && SyncToDisk(file);
}

bool MoveJournalFile::Remove(const std::string& database) {
    const QString path = FileOf(database);
    if (!QFile::exists(path)) return true;
    // Marked done before it goes: should it stay, it must never read as a stopped move.
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            file.write(QByteArray(kDone) + '\n');
            SyncToDisk(file);
        }
    }
    if (RemoveFile(path)) {
        SyncFolder(folder_);
        return true;
    }
    // Even a journal the mark did not reach reads as unreadable for the rest of this run.
    std::lock_guard<std::mutex> lock(mutex_);
    unremoved_.insert(database);
    return false;
}

std::string MoveJournalFile::Location(const std::string& database) const {
    return QDir::toNativeSeparators(FileOf(database)).toStdString();
}

}  // namespace app
