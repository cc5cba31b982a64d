#include "app/MoveJournalFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace app {

namespace {

constexpr const char* kHeading = "posfix sales date move journal";

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

std::optional<form::MoveJournalEntry> MoveJournalFile::Find(const std::string& database) const {
    QFile file(FileOf(database));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.first() != kHeading) return std::nullopt;
    lines.removeLast();  // empty, or a line cut short by a crash while it was appended

    form::MoveJournalEntry entry;
    bool sameDatabase = false;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        const QByteArray& kind = fields.first();
        if (fields.size() < 2) continue;
        const std::string value = Unescaped(fields[1]);
        if (kind == "database")
            sameDatabase = value == database;
        else if (kind == "wrong")
            entry.wrongDate = value;
        else if (kind == "target")
            entry.targetDate = value;
        else if (kind == "start")
            entry.startTime = value;
        else if (kind == "row" && fields.size() >= 3)
            entry.rows.push_back(
                {value, Unescaped(fields[2]), fields.size() >= 4 ? Unescaped(fields[3]) : ""});
    }
    // The name inside the file decides, not the file name alone.
    if (!sameDatabase) return std::nullopt;
    return entry;
}

bool MoveJournalFile::Write(const std::string& database, const form::MoveJournalEntry& entry) {
    if (!QDir().mkpath(folder_)) return false;
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
    for (const form::JournalRow& row : entry.rows) AppendRow(text, row);
    // QSaveFile writes a temporary file, syncs it to disk and only then renames it.
    QSaveFile file(FileOf(database));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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

void MoveJournalFile::Remove(const std::string& database) {
    QFile::remove(FileOf(database));
}

std::string MoveJournalFile::Location(const std::string& database) const {
    return QDir::toNativeSeparators(FileOf(database)).toStdString();
}

}  // namespace app
