#include "app/MoveJournalFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace app {

namespace {

constexpr const char* kHeading = "posfix sales date move journal";

QByteArray Escaped(const std::string& value) {
    QByteArray out;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%')
            out += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

std::string Unescaped(const QByteArray& value) {
    return QByteArray::fromPercentEncoding(value).toStdString();
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
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.first() != kHeading) return std::nullopt;

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
    QByteArray text = QByteArray(kHeading) + '\n';
    text += "database\t" + Escaped(database) + '\n';
    text += "wrong\t" + Escaped(entry.wrongDate) + '\n';
    text += "target\t" + Escaped(entry.targetDate) + '\n';
    text += "start\t" + Escaped(entry.startTime) + '\n';
    for (const form::JournalRow& row : entry.rows) {
        text += "row\t" + Escaped(row.table) + '\t' + Escaped(row.key);
        if (!row.tblSalSeq.empty()) text += '\t' + Escaped(row.tblSalSeq);
        text += '\n';
    }
    // QSaveFile writes a temporary file, syncs it to disk and only then renames it.
    QSaveFile file(FileOf(database));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void MoveJournalFile::Remove(const std::string& database) {
    QFile::remove(FileOf(database));
}

std::string MoveJournalFile::Location(const std::string& database) const {
    return QDir::toNativeSeparators(FileOf(database)).toStdString();
}

}  // namespace app
