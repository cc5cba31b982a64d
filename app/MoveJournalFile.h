#pragma once

#include <QString>

#include "form/MoveJournal.h"

namespace app {

// Single-date move journals as text files in one folder, one file per database name. A file is
// replaced whole through a temporary file that is synced to disk before it takes the journal's
// name, so a journal on disk is always complete: the old one or the new one. Rows added to it are
// appended and synced instead (a move adds its keys before every commit: rewriting them all each
// time would grow with the square of the rows); a last line cut short by a crash has no line
// break after it and is not read. Creating the object touches nothing.
//
// File layout, one field per line, fields separated by a tab, bytes below 0x20, 0x7F and "%"
// written as %XX:
//   posfix sales date move journal
//   database <name>
//   wrong <YYYYMMDD>
//   target <YYYYMMDD>
//   start <YYYY-MM-DD HH:MM:SS>
//   row <table> <key> [<Tbl_Sal_Seq>]   (one line per moved key)
class MoveJournalFile : public form::MoveJournal {
public:
    explicit MoveJournalFile(QString folder) : folder_(std::move(folder)) {}

    // The user's application data folder.
    static QString DefaultFolder();

    // The file of a database: a readable part of its name and a hash of the whole name, so any
    // name ("/" and ":" included) gives a valid file name of its own.
    QString FileOf(const std::string& database) const;

    std::optional<form::MoveJournalEntry> Find(const std::string& database) const override;
    bool Write(const std::string& database, const form::MoveJournalEntry& entry) override;
    bool Append(const std::string& database, const form::MoveJournalEntry& entry,
                const std::vector<form::JournalRow>& added) override;
    void Remove(const std::string& database) override;
    std::string Location(const std::string& database) const override;

private:
    QString folder_;
};

}  // namespace app
