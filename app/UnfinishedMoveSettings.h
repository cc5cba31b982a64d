#pragma once

#include <QString>

#include "form/UnfinishedMoves.h"

namespace app {

// Unfinished single-date moves in an INI file (QSettings), one group per database name. The file
// is opened for each call, so creating the object touches nothing.
class UnfinishedMoveSettings : public form::UnfinishedMoves {
public:
    explicit UnfinishedMoveSettings(QString file) : file_(std::move(file)) {}

    // "unfinished-moves.ini" in the user's application data folder.
    static QString DefaultFile();

    std::optional<form::UnfinishedMove> Find(const std::string& database) const override;
    void Record(const std::string& database, const form::UnfinishedMove& move) override;
    void Remove(const std::string& database) override;

private:
    QString file_;
};

}  // namespace app
