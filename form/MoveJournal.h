#pragma once

#include <optional>
#include <string>
#include <vector>

namespace form {

// One row a single-date move has moved (or is about to commit): the table as the move spells it,
// the key column's value, for OS_Order its Tbl_Sal_Seq, and the row's own address. Values are
// database bytes.
struct JournalRow {
    std::string table;
    std::string key;        // Sal_Seq, bill_no in cs_master; empty in OC_REGISTER
    std::string tblSalSeq;  // empty where the table has none
    // The row's RDB$DB_KEY (8 bytes). Empty in a journal written before rows were addressed one
    // by one: such a row stands for every row of its table with its key.
    std::string dbKey = {};

    bool operator==(const JournalRow& other) const {
        return table == other.table && key == other.key && tblSalSeq == other.tblSalSeq &&
               dbKey == other.dbKey;
    }
};

// The journal of a single-date move: written before its first commit, extended with each unit's
// keys before that unit commits, removed when the move completes. A journal that still lists keys
// is a move that stopped part-way.
struct MoveJournalEntry {
    std::string wrongDate;   // YYYYMMDD the move takes the sales from
    std::string targetDate;  // YYYYMMDD it moves them to
    std::string startTime;   // YYYY-MM-DD HH:MM:SS, local time
    std::vector<JournalRow> rows;
    // The backup the server made before the move's first change (a path on the server's
    // machine); empty when none was made.
    std::string backup;
};

// What a store holds for a database.
enum class JournalState {
    None,        // no journal: no move of this database is under way or stopped
    Found,       // a journal, read whole
    Completed,   // the journal of a completed move that could not be removed: no move is stopped,
                 // and the next move replaces it
    Unreadable,  // a journal that cannot be opened or read as one: no move may start while it is
                 // there
};

// Where the journal of each database (by its connection name) is kept from one run of the tool
// to the next, at most one per database. The window supplies it, so the moves need not know
// where it is kept.
class MoveJournal {
public:
    virtual ~MoveJournal() = default;

    // The database's journal, read into `entry` when Found.
    virtual JournalState Read(const std::string& database, MoveJournalEntry& entry) const = 0;
    // The journal when one is Found; none otherwise.
    std::optional<MoveJournalEntry> Find(const std::string& database) const {
        MoveJournalEntry entry;
        if (Read(database, entry) != JournalState::Found) return std::nullopt;
        return entry;
    }
    // Replaces the database's journal and has it on disk, folder entry included, before
    // returning; false when it could not be written (the journal on disk is then the previous
    // one, or the new one when only its folder entry may not be on disk).
    virtual bool Write(const std::string& database, const MoveJournalEntry& entry) = 0;
    // The same for an entry that differs from the one last written only by the rows `added` at
    // its end; a store may add just those. A failure may leave the previous journal with part of
    // the added rows.
    virtual bool Append(const std::string& database, const MoveJournalEntry& entry,
                        const std::vector<JournalRow>& added) {
        (void)added;
        return Write(database, entry);
    }
    // Removes the journal of a completed move. False when it is still there: from then on it
    // reads as Completed, never as a stopped move, in this run and later ones, until it is
    // replaced or gone.
    virtual bool Remove(const std::string& database) = 0;
    // Where the database's journal is kept, for messages (UTF-8).
    virtual std::string Location(const std::string& database) const = 0;
};

}  // namespace form
