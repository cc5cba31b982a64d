#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbStatement.h"
#include "db/DbTransaction.h"
#include "form/MoveJournal.h"
#include "form/WindowOps.h"

namespace form {

// The non-visual members of the main window that the operations share: the four database
// objects with their stored settings, the table numbers parallel to the grouped-table list and
// the business date. The window (or a test) supplies the WindowOps the operations talk to.
//
// Construction creates the database objects and so throws db::DbError when the client library
// cannot be loaded. The connection is not opened here.
class FormState {
public:
    explicit FormState(WindowOps& ui,
                       const std::string& databaseName = db::DbConnection::kStoredDatabaseName);
    FormState(const FormState&) = delete;
    FormState& operator=(const FormState&) = delete;

    WindowOps& ui;

    // Declared in dependency order: destroyed in reverse, statement and query first.
    db::DbConnection IBDatabase1;
    db::DbTransaction IBTransaction1;  // rolls back when force-ended
    db::DbQuery IBQuery1;              // named "IBQuery1" in its messages
    db::DbStatement IBSQL1;            // sends its text unchanged

    std::vector<std::string> TableNoList;  // tbl_no of item i of ListBox2, as bytes
    std::string BusinessDate;              // YYYYMMDD bytes, empty when unknown

    // Set by the checks before a change (ChangeGuard) when they end the operation before any
    // change: after their warning, or without a message when a check's database call was
    // cancelled or the tool is to end. The operation then counts as failed; the window clears it
    // before each operation.
    bool stoppedBeforeChange = false;

    // The free bytes of the disk holding a folder; none when the folder is not on this machine.
    // Empty: the system's own answer. The check before a backup asks it for the database file's
    // folder.
    std::function<std::optional<std::uintmax_t>(const std::string& folder)> freeSpace;

    // Where the single-date move keeps its journal; set by the window. None: no journal is kept,
    // and a move that stops part-way cannot be continued or moved back.
    MoveJournal* moveJournal = nullptr;
};

}  // namespace form
