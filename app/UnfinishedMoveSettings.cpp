#include "app/UnfinishedMoveSettings.h"

#include <QDateTime>
#include <QSettings>
#include <QStandardPaths>

namespace app {

namespace {

// A database name holds "/" and ":", which QSettings reads as group separators or escapes.
QString Group(const std::string& database) {
    return QString::fromLatin1(QByteArray::fromStdString(database).toPercentEncoding());
}

std::string Text(const QSettings& settings, const char* key) {
    return settings.value(QLatin1String(key)).toString().toStdString();
}

}  // namespace

QString UnfinishedMoveSettings::DefaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/unfinished-moves.ini");
}

std::optional<form::UnfinishedMove> UnfinishedMoveSettings::Find(
    const std::string& database) const {
    QSettings settings(file_, QSettings::IniFormat);
    settings.beginGroup(Group(database));
    if (!settings.contains(QStringLiteral("WrongDate"))) return std::nullopt;
    return form::UnfinishedMove{Text(settings, "WrongDate"), Text(settings, "TargetDate"),
                                Text(settings, "ErrorLine"), Text(settings, "Time")};
}

void UnfinishedMoveSettings::Record(const std::string& database, const form::UnfinishedMove& move) {
    QSettings settings(file_, QSettings::IniFormat);
    settings.beginGroup(Group(database));
    settings.setValue(QStringLiteral("WrongDate"), QString::fromStdString(move.wrongDate));
    settings.setValue(QStringLiteral("TargetDate"), QString::fromStdString(move.targetDate));
    settings.setValue(QStringLiteral("ErrorLine"), QString::fromStdString(move.errorLine));
    settings.setValue(QStringLiteral("Time"), QDateTime::currentDateTime().toString(Qt::ISODate));
}

void UnfinishedMoveSettings::Remove(const std::string& database) {
    QSettings settings(file_, QSettings::IniFormat);
    settings.remove(Group(database));
}

}  // namespace app
