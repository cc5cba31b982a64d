#pragma once

#include <functional>
#include <string>

namespace db {

class DbConnection;

// The service manager and the database name to hand it, taken from a connection string:
// "localhost:zurn_svr" gives "localhost:service_mgr" and "zurn_svr", "localhost/3099:/p/x.fdb"
// gives "localhost/3099:service_mgr" and "/p/x.fdb"; a name without a server part ("/p/x.fdb",
// "C:\p\x.fdb") gives the local "service_mgr" and the name itself.
struct ServiceTarget {
    std::string service;
    std::string database;
};
ServiceTarget ServiceTargetOf(const std::string& connectionString);

// Tables written so far of the tables the server has announced.
using BackupProgress = std::function<void(int tablesDone, int tablesAnnounced)>;

// Asked between two answers of the server, at least once a second: true leaves the backup.
using BackupStop = std::function<bool()>;

// Backs the connection's database up into backupPath through the server's Services API, with
// the connection's own user name and password. The server process writes the file (a path on
// the server's machine), so the caller needs no rights there; the server overwrites an existing
// file. Reads the verbose output to its end and returns the size its last line reports
// ("... N bytes written"). Throws DbError with the server's text when the service manager
// refuses, the backup fails, or the output ends without that line, and when stop (may be empty)
// says so; the server then finishes the file on its own, since leaving the service does not end
// a backup under way.
long long BackUpThroughServer(const DbConnection& connection, const std::string& backupPath,
                              const BackupProgress& progress, const BackupStop& stop = {});

}  // namespace db
