#pragma once

#include <optional>
#include <string>
#include <vector>

namespace db {

class DbConnection;

// A program attached to the same database, as the server's monitoring tables show it.
struct Attachment {
    std::optional<std::string> process;  // MON$REMOTE_PROCESS, a full path; none for a service
    std::string pid;                     // MON$REMOTE_PID as digits; empty when unknown
    std::string address;                 // MON$REMOTE_ADDRESS, e.g. "127.0.0.1/54230"
};

// The user attachments of the connection's database other than this process's own (those
// whose MON$REMOTE_PID is the one of the connection itself), oldest first. Read in a fresh
// transaction of its own, since a monitoring snapshot stays fixed for a transaction's life.
// Connects when not connected. Throws DbError when they cannot be read.
std::vector<Attachment> OtherAttachments(DbConnection& connection);

// The connection's database file as the server sees it (MON$DATABASE).
struct DatabaseFile {
    std::string path;          // MON$DATABASE_NAME, on the server's machine
    unsigned long long bytes;  // MON$PAGES × MON$PAGE_SIZE
};

// Reads it in a transaction of its own. Connects when not connected. Throws DbError.
DatabaseFile DatabaseFileOf(DbConnection& connection);

}  // namespace db
