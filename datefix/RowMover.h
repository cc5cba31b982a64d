#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "datefix/SalesTables.h"
#include "db/DbConnection.h"
#include "db/DbTransaction.h"
#include "form/MoveJournal.h"

namespace datefix {

// Moves chosen rows of one table from one business date to another inside a writing transaction,
// each row addressed by its RDB$DB_KEY and changed only while it still carries the date and the
// key it was chosen with.
//
// Why rows are addressed this way: a move must touch exactly the rows it chose (those it read for
// a move forward, those its journal lists for a move back), never a row the POS program booked
// under the same key meanwhile; and reaching a row through its address costs the same however
// long the table's history and whatever its indexes, where a search by date and key scans the
// whole table when there is no index. The rows go in batches to one server-side block prepared
// once per table, so no statement text is built or compiled per row.
class RowMover {
public:
    // `stopRequested` tells whether the tool is to end (may be empty).
    RowMover(db::DbConnection& connection, db::DbTransaction& writer,
             std::function<bool()> stopRequested);

    // Moves `rows` (of `table`; table field unused) in their order from `fromDate` to `toDate` in
    // the writer, which must be active. After each batch that moved, `moved(begin, end)` is told
    // which rows it took. Returns rows.size() when every row moved, otherwise the index of the
    // first row that could not be moved (not found as chosen, refused by the server, or its batch
    // cancelled or failed); the writer must then be rolled back (it may be already). Throws only
    // what `moved` throws.
    std::size_t Move(const SingleDateTable& table, const std::vector<form::JournalRow>& rows,
                     const std::string& fromDate, const std::string& toDate,
                     const std::function<void(std::size_t begin, std::size_t end)>& moved);

private:
    std::size_t FirstFailing(const std::string& sql, const std::vector<std::string>& parameters);

    db::DbConnection& connection_;
    db::DbTransaction& writer_;
    std::function<bool()> stopRequested_;
};

}  // namespace datefix
