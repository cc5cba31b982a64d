#pragma once

#include <QFile>
#include <QString>

#include <string>

#include "form/MoveJournal.h"

namespace app {

// Single-date move journals as text files in one folder, one file per database name. A file is
// replaced whole through a temporary file that is synced to disk before it takes the journal's
// name, so a journal on disk is always complete: the old one or the new one. Rows added to it are
// appended and synced instead (a move adds its keys before every commit: rewriting them all each
// time would grow with the square of the rows); a last line cut short by a crash has no line
// break after it and is not read. The folder is synced after every replacement and removal, so
// the file's name is on disk too. Creating the object touches nothing.
//
// File layout, one field per line, fields separated by a tab, bytes below 0x20, 0x7F and "%"
// written as %XX:
//   posfix sales date move journal
//   database <name>
//   wrong <YYYYMMDD>
//   target <YYYYMMDD>
//   start <YYYY-MM-DD HH:MM:SS>
//   backup <path>                       (when a backup was made before the first change)
//   row <table> <key> [<Tbl_Sal_Seq> [<RDB$DB_KEY>]]
//                                       (one line per moved row; its address as 16 hex digits,
//                                       absent in journals written before rows had one)
//   done                                (last line: a completed move marked its journal)
// Anything else, a file that cannot be opened or one whose database line names another database,
// reads as unreadable: it is kept, and no move starts while it is there.
//
// A completed move marks its journal before removing it, so that one that stays (on Windows a
// virus scanner may hold a new file for a while) or comes back after a power cut never reads as a
// stopped move: a file beside it, the journal's name ending in ".done" instead of ".txt", holds
// the SHA-256 of the journal's bytes in hex; where that file cannot be written, the "done" line is
// appended. A marked journal reads as completed, in any later run too, until it is replaced or
// gone; a replaced one no longer matches its marker and reads afresh.
class MoveJournalFile : public form::MoveJournal {
public:
    explicit MoveJournalFile(QString folder) : folder_(std::move(folder)) {}

    // The user's application data folder.
    static QString DefaultFolder();

    // The file of a database: a readable part of its name and a hash of the whole name, so any
    // name ("/" and ":" included) gives a valid file name of its own.
    QString FileOf(const std::string& database) const;

    form::JournalState Read(const std::string& database,
                            form::MoveJournalEntry& entry) const override;
    bool Write(const std::string& database, const form::MoveJournalEntry& entry) override;
    bool Append(const std::string& database, const form::MoveJournalEntry& entry,
                const std::vector<form::JournalRow>& added) override;
    bool Remove(const std::string& database) override;
    std::string Location(const std::string& database) const override;

protected:
    // A completed move's journal is tried this many times, a pause apart, before its removal
    // counts as failed: about two seconds.
    static constexpr int kRemoveTries = 20;

    // Deletes one journal file; false when it is still there.
    virtual bool RemoveFile(const QString& path) { return QFile::remove(path); }
    // Waits between two tries of a removal.
    virtual void PauseBeforeRetry();
    // Has the folder's entries (a file created, renamed or removed) on the disk.
    virtual bool SyncFolder(const QString& folder);

private:
    // Marks the journal at `path` as a completed move's; false when neither mark could be made.
    bool MarkDone(const QString& path);

    QString folder_;
};

}  // namespace app
