#pragma once

#include <optional>
#include <string>

namespace form {

// A single-date move that stopped part-way, after at least one of its tables was committed.
struct UnfinishedMove {
    std::string wrongDate;   // YYYYMMDD the move took the sales from
    std::string targetDate;  // YYYYMMDD it moved them to
    std::string errorLine;   // the log line it stopped with
    std::string time;        // when it stopped, as the store wrote it
};

// Keeps the unfinished single-date move of each database (by its connection name) from one run
// of the tool to the next, at most one per database. The window supplies it, so the operations
// need not know where it is kept.
class UnfinishedMoves {
public:
    virtual ~UnfinishedMoves() = default;

    virtual std::optional<UnfinishedMove> Find(const std::string& database) const = 0;
    // Replaces the database's entry; the store sets the time.
    virtual void Record(const std::string& database, const UnfinishedMove& move) = 0;
    virtual void Remove(const std::string& database) = 0;
};

}  // namespace form
