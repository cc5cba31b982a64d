#include "datefix/RowMover.h"

#include <exception>
#include <optional>

#include "datefix/MoveSupport.h"
#include "db/DbStatement.h"

namespace datefix {

namespace {

std::vector<std::optional<std::string>> Values(const std::vector<std::string>& parameters) {
    return {parameters.begin(), parameters.end()};
}

}  // namespace

RowMover::RowMover(db::DbConnection& connection, db::DbTransaction& writer,
                   std::function<bool()> stopRequested)
    : connection_(connection), writer_(writer), stopRequested_(std::move(stopRequested)) {}

std::size_t RowMover::Move(const SingleDateTable& table, const std::vector<form::JournalRow>& rows,
                           const std::string& fromDate, const std::string& toDate,
                           const std::function<void(std::size_t begin, std::size_t end)>& moved) {
    if (rows.empty()) return 0;
    const std::string sql = MoveRowsBlockSql(table);
    db::DbStatement block(&connection_, &writer_);
    try {
        block.Prepare(sql);
    } catch (const std::exception&) {
        return 0;
    }
    const std::string toDashed = Dashed(toDate);
    std::string packed;
    for (std::size_t begin = 0; begin < rows.size();) {
        std::string batch;
        std::size_t end = begin;
        for (; end < rows.size(); ++end) {
            packed.clear();
            PackRow(packed, table, rows[end].dbKey, rows[end].key, rows[end].tblSalSeq);
            if (end > begin && batch.size() + packed.size() > kMaxBatchBytes) break;
            batch += packed;
        }
        const std::vector<std::string> parameters{batch, fromDate, toDate, toDashed};
        int failed = 0;
        try {
            block.Execute(Values(parameters));
            failed = block.OutputInt(1);
        } catch (const std::exception&) {
            // Cancelled, lost or refused as a whole: the batch's work is undone, and the row it
            // stopped at is looked for again without waiting for anyone.
            writer_.RollbackFailedWork();
            return begin + FirstFailing(sql, parameters);
        }
        if (failed > 0) return begin + static_cast<std::size_t>(failed) - 1;
        moved(begin, end);
        begin = end;
    }
    return rows.size();
}

// The place of the first row of a failed batch that cannot be moved now, in a transaction that
// fails at once on a row another program holds and is always rolled back; the first row when
// that cannot tell (the connection gone, the row no longer held, the tool ending).
std::size_t RowMover::FirstFailing(const std::string& sql,
                                   const std::vector<std::string>& parameters) {
    if (stopRequested_ && stopRequested_()) return 0;
    try {
        db::DbTransaction probe(&connection_, db::DbTransaction::Action::Rollback);
        probe.SetWaitForLocks(false);
        probe.StartTransaction();
        db::DbStatement block(&connection_, &probe);
        block.Prepare(sql);
        block.Execute(Values(parameters));
        const int failed = block.OutputInt(1);
        probe.RollbackFailedWork();
        return failed > 0 ? static_cast<std::size_t>(failed) - 1 : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace datefix
