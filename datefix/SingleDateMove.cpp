#include "datefix/SingleDateMove.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

#include "datefix/MoveSupport.h"
#include "datefix/RowMover.h"
#include "datefix/SalesTables.h"
#include "form/ChangeGuard.h"
#include "form/Cp949.h"

namespace datefix {

namespace {

constexpr const char* kRegisterHint = "OC_REGISTER 과 OC_DAY_PASSMONEY 는 확인 후 설정";
constexpr const char* kDone = "완료.";
constexpr const char* kJournalNotWritten =
    "매출일자 변경 기록을 저장할 수 없어 작업을 진행하지 않습니다.";
constexpr const char* kJournalNotRemoved = "매출일자 변경 기록을 지울 수 없습니다.";

// Thrown inside a unit when its keys could not be put in the journal, so the unit rolls back.
struct JournalNotWritten : std::runtime_error {
    JournalNotWritten() : std::runtime_error(kJournalNotWritten) {}
};

// A sale is an OS_MASTER row and its order lines are OS_Order rows: either one on the target
// date means that date already has sales, and moving onto it would mix two days' sales.
bool TargetHasSales(db::DbQuery& reader, const std::string& targetDate) {
    for (const char* table : {"OS_Order", "OS_MASTER"}) {
        reader.OpenQuery(TargetCountSql(table, targetDate));
        if (reader.FieldInt("cnt") >= 1) return true;
    }
    return false;
}

// The question before going on with, or back from, a move that stopped part-way.
bool AskToFinish(form::WindowOps& ui, const form::MoveJournalEntry& stopped, bool goOn) {
    const std::string text = stopped.wrongDate + " → " + stopped.targetDate +
                             " 매출일자 변경이 중간에 중단되었습니다. " +
                             (goOn ? "이어서 진행하시겠습니까?" : "되돌리시겠습니까?");
    return ui.MessageDialog(text, form::DialogKind::Confirmation, form::DialogButtons::OkCancel) ==
           form::kResultOk;
}

// Rows of one table that the journal accounts for, by key and by address.
struct ListedRows {
    std::set<std::string> keys;
    std::set<std::string> dbKeys;
    std::set<std::string> keysWithoutAddress;  // from a journal that listed keys only
};

// The date on which a sale booked since the stop shares a number with the stopped move's rows, so
// that neither going on nor moving back could tell the two apart; none when there is no such
// sale. The target date when a table the journal lists holds there a row under a listed key that
// the journal does not list (a journal of keys only is not checked so), or when a table keyed by
// Sal_Seq that it does not list holds there a Sal_Seq it lists for another table; the wrong date
// when a table it lists holds there a row under a key it lists that is not one of its rows (a
// listed row still there is one whose unit did not commit). OC_REGISTER plays no part: its rows
// have no key, and moving back takes only those listed.
std::optional<std::string> SalesMixedSinceStop(db::DbQuery& reader,
                                               const form::MoveJournalEntry& stopped) {
    std::map<std::string, ListedRows> listed;
    std::set<std::string> movedSales;
    for (const form::JournalRow& row : stopped.rows) {
        if (row.table == kRegisterTable.name) continue;
        ListedRows& rows = listed[row.table];
        rows.keys.insert(row.key);
        (row.dbKey.empty() ? rows.keysWithoutAddress : rows.dbKeys)
            .insert(row.dbKey.empty() ? row.key : row.dbKey);
        for (const SingleDateTable& table : kSingleDateTables)
            if (row.table == table.name && std::string(table.key) == "Sal_Seq")
                movedSales.insert(row.key);
    }
    // Whether `date` holds a row of `table` for which `mixed(address, key)` holds.
    auto anyRow = [&](const SingleDateTable& table, const std::string& date, auto mixed) {
        reader.OpenQuery(SelectionSql(table, date));
        for (; reader.HasRows() && !reader.Eof(); reader.Next())
            if (mixed(reader.FieldBytesAt(0), reader.FieldText(table.key))) return true;
        return false;
    };
    for (const SingleDateTable& table : kSingleDateTables) {
        const auto found = listed.find(table.name);
        if (found != listed.end()) {
            const ListedRows& rows = found->second;
            if (anyRow(table, stopped.targetDate,
                       [&](const std::string& dbKey, const std::string& key) {
                           return rows.keys.count(key) && !rows.keysWithoutAddress.count(key) &&
                                  !rows.dbKeys.count(dbKey);
                       }))
                return stopped.targetDate;
        } else if (std::string(table.key) == "Sal_Seq" && !movedSales.empty() &&
                   anyRow(table, stopped.targetDate,
                          [&](const std::string&, const std::string& key) {
                              return movedSales.count(key) > 0;
                          })) {
            return stopped.targetDate;
        }
    }
    for (const SingleDateTable& table : kSingleDateTables) {
        const auto found = listed.find(table.name);
        if (found == listed.end()) continue;
        const ListedRows& rows = found->second;
        if (anyRow(table, stopped.wrongDate, [&](const std::string& dbKey, const std::string& key) {
                return rows.keys.count(key) && !rows.dbKeys.count(dbKey);
            }))
            return stopped.wrongDate;
    }
    return std::nullopt;
}

// Refuses both directions of a stopped move with mixed sales on `date`: a warning naming the
// backup taken before its first change; the log gets the first line.
bool RefuseMixed(form::WindowOps& ui, const form::MoveJournalEntry& stopped,
                 const std::string& date) {
    const std::string line = stopped.wrongDate + " → " + stopped.targetDate +
                             " 매출일자 변경 이후 " + date +
                             "에 같은 번호의 매출이 새로 등록되어 이어서 진행하거나 되돌릴 수 "
                             "없습니다.";
    ui.AppendLog(line);
    std::string text = line;
    if (!stopped.backup.empty()) text += "\r\n변경 전 백업: " + stopped.backup;
    ui.MessageDialog(text, form::DialogKind::Warning, form::DialogButtons::Ok);
    return false;
}

// The rows of `table` on `date`, with their addresses.
std::vector<form::JournalRow> RowsOn(db::DbQuery& reader, const SingleDateTable& table,
                                     const std::string& date) {
    std::vector<form::JournalRow> rows;
    reader.OpenQuery(SelectionSql(table, date));
    for (; reader.HasRows() && !reader.Eof(); reader.Next())
        rows.push_back({table.name, table.key ? reader.FieldText(table.key) : "",
                        table.tblSalSeq ? reader.FieldText("Tbl_Sal_Seq") : "",
                        reader.FieldBytesAt(0)});
    return rows;
}

std::string LocalTimeNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    return text;
}

// The move's journal, kept on disk ahead of every commit. Without a store it keeps nothing.
class Journal {
public:
    Journal(form::MoveJournal* store, std::string database, form::MoveJournalEntry entry)
        : store_(store), database_(std::move(database)), entry_(std::move(entry)) {
        for (const form::JournalRow& row : entry_.rows) listed_.insert(Key(row));
    }

    const form::MoveJournalEntry& Entry() const { return entry_; }
    bool ListsTable(const std::string& table) const {
        return std::any_of(entry_.rows.begin(), entry_.rows.end(),
                           [&](const form::JournalRow& row) { return row.table == table; });
    }

    // The rows of `table` it lists: with their addresses, and those of a journal that listed keys
    // only.
    void RowsOf(const std::string& table, std::vector<form::JournalRow>& addressed,
                std::vector<form::JournalRow>& keysOnly) const {
        for (const form::JournalRow& row : entry_.rows)
            if (row.table == table) (row.dbKey.empty() ? keysOnly : addressed).push_back(row);
    }

    // Adds the rows not listed yet and writes them to the journal.
    bool Add(const std::vector<form::JournalRow>& rows) {
        std::vector<form::JournalRow> added;
        for (const form::JournalRow& row : rows)
            if (listed_.insert(Key(row)).second) added.push_back(row);
        entry_.rows.insert(entry_.rows.end(), added.begin(), added.end());
        return !store_ || added.empty() || store_->Append(database_, entry_, added);
    }

    // Takes the rows of one table out and writes the journal.
    bool Drop(const std::string& table) {
        entry_.rows.erase(
            std::remove_if(entry_.rows.begin(), entry_.rows.end(),
                           [&](const form::JournalRow& row) { return row.table == table; }),
            entry_.rows.end());
        listed_.clear();
        for (const form::JournalRow& row : entry_.rows) listed_.insert(Key(row));
        return Save();
    }

    bool Save() { return !store_ || store_->Write(database_, entry_); }

    // Removes the journal of the completed move. False when it stays: it then reads as the
    // journal of a completed move.
    bool Remove() { return !store_ || store_->Remove(database_); }
    void WarnNotRemoved(form::WindowOps& ui) const {
        ui.MessageDialog(std::string(kJournalNotRemoved) + "\r\n" +
                             (store_ ? store_->Location(database_) : std::string()),
                         form::DialogKind::Warning, form::DialogButtons::Ok);
    }

    // The warning that ends a move whose journal cannot be written; the log gets its first line.
    void Warn(form::WindowOps& ui) const {
        ui.AppendLog(kJournalNotWritten);
        ui.MessageDialog(std::string(kJournalNotWritten) + "\r\n" +
                             (store_ ? store_->Location(database_) : std::string()),
                         form::DialogKind::Warning, form::DialogButtons::Ok);
    }

private:
    // A row with its address is that row; one without stands for its key.
    using RowKey = std::tuple<std::string, std::string, std::string, std::string>;
    static RowKey Key(const form::JournalRow& row) {
        return row.dbKey.empty() ? RowKey{row.table, row.key, row.tblSalSeq, ""}
                                 : RowKey{row.table, "", "", row.dbKey};
    }

    form::MoveJournal* store_;
    std::string database_;
    form::MoveJournalEntry entry_;
    std::set<RowKey> listed_;
};

// Of the rows the journal lists in `table`, those still on `date`, in the journal's order: moving
// back takes only these. A listed row found elsewhere belongs to a unit whose commit did not
// happen.
std::vector<form::JournalRow> ListedRowsOn(db::DbQuery& reader, const SingleDateTable& table,
                                           const std::string& date,
                                           const std::vector<form::JournalRow>& listed) {
    if (listed.empty()) return {};
    std::set<std::string> there;
    for (const form::JournalRow& row : RowsOn(reader, table, date)) there.insert(row.dbKey);
    std::vector<form::JournalRow> rows;
    for (const form::JournalRow& row : listed)
        if (there.count(row.dbKey)) rows.push_back(row);
    return rows;
}

}  // namespace

bool ChangeSpecifiedDate(form::FormState& form) {
    MoveObjects objects(form.IBDatabase1);
    db::DbTransaction& r = objects.R();
    db::DbQuery& reader = objects.RQuery();
    db::DbTransaction& w = objects.W();
    db::DbQuery& writer = objects.WQuery();
    form::WindowOps& ui = form.ui;

    std::string wrongDate, targetDate;
    if (!ReadPickerDates(ui, wrongDate, targetDate)) return false;

    // A journal that lists rows is a move that stopped part-way: the same dates go on with it,
    // the swapped dates move its rows back, and any other move waits until it is done.
    form::MoveJournal* const store = form.moveJournal;
    const std::string database = form.IBDatabase1.DatabaseName();
    std::optional<form::MoveJournalEntry> stopped;
    if (!ReadStoppedMove(form, stopped)) return false;
    const bool goOn =
        stopped && stopped->wrongDate == wrongDate && stopped->targetDate == targetDate;
    const bool goBack =
        stopped && stopped->wrongDate == targetDate && stopped->targetDate == wrongDate;

    // Read failures below are not caught here: they leave the move and the page's handler.
    if (r.InTransaction()) r.Commit();
    const bool targetHasSales = TargetHasSales(reader, targetDate);
    if (goOn || goBack) {
        if (const auto mixed = SalesMixedSinceStop(reader, *stopped))
            return RefuseMixed(ui, *stopped, *mixed);
        if (!AskToFinish(ui, *stopped, goOn)) {
            ui.AppendLog(targetHasSales ? kSalesOnTargetLine : FinishFirstLine(*stopped));
            return false;
        }
    } else if (targetHasSales) {
        ui.AppendLog(kSalesOnTargetLine);
        return false;
    } else if (stopped) {
        ui.AppendLog(FinishFirstLine(*stopped));
        return false;
    }
    std::string backup;
    if (!form::BackUpBeforeChange(form, true, &backup)) return false;
    // The question and the backup take time while the POS program may still be booking: looked
    // at again right before the first change.
    if (goOn || goBack) {
        if (r.InTransaction()) r.Commit();
        if (const auto mixed = SalesMixedSinceStop(reader, *stopped))
            return RefuseMixed(ui, *stopped, *mixed);
    }

    // The journal is on disk before anything changes; without it nothing is done. A stopped
    // move keeps the backup taken before its own first change.
    Journal journal(
        store, database,
        stopped ? *stopped
                : form::MoveJournalEntry{wrongDate, targetDate, LocalTimeNow(), {}, backup});
    if (!journal.Save()) {
        journal.Warn(ui);
        return false;
    }

    // The day's sales are split over the two dates whenever the journal lists rows, also when a
    // commit's outcome is unknown (its rows are listed ahead of it).
    auto warnIfSplit = [&] {
        if (!journal.Entry().rows.empty())
            ui.MessageDialog(StoppedMoveWarning(journal.Entry()), form::DialogKind::Warning,
                             form::DialogButtons::Ok);
    };
    auto stop = [&](const std::string& errorLine, bool journalFailed) {
        if (journalFailed) journal.Warn(ui);
        ui.AppendLog(errorLine);
        warnIfSplit();
        return false;
    };

    RowMover mover(form.IBDatabase1, w, [&ui] { return ui.StopRequested(); });
    const std::string targetDashed = Dashed(targetDate);
    std::string lastKey;  // the key logged last, also across tables: it names a failed unit
    auto moveTable = [&](const SingleDateTable& table, bool first) {
        // Moving back takes only the rows the journal lists, so sales booked on the date since
        // the stop stay there; going forward takes the rows left on the wrong date. The first
        // table starts R afresh; every later read uses that same snapshot, so the committed
        // writes never change what a read yields. A read that fails leaves the move uncaught,
        // after the warning when the day is split already.
        std::vector<form::JournalRow> rows, keysOnly;
        try {
            if (first && r.InTransaction()) r.Commit();
            if (goBack) {
                std::vector<form::JournalRow> listed;
                journal.RowsOf(table.name, listed, keysOnly);
                rows = ListedRowsOn(reader, table, wrongDate, listed);
            } else {
                rows = RowsOn(reader, table, wrongDate);
            }
        } catch (...) {
            warnIfSplit();
            throw;
        }
        const std::string errorPrefix = std::string("ERROR ") + table.logPrefix;
        const bool logged = &table != &kRegisterTable;
        auto log = [&](std::size_t begin, std::size_t end) {
            for (std::size_t n = begin; n < end && logged; ++n) {
                lastKey = rows[n].key;
                ui.AppendLog(std::string(table.logPrefix) + form::Cp949ToUtf8(lastKey) + " - " +
                             targetDashed);
            }
        };

        // One table is one unit of W: all its rows commit together or not at all, whatever
        // stops it (the server, a log line or a journal that cannot be written, memory).
        try {
            if (!w.InTransaction()) w.StartTransaction();
            std::size_t done = 0;
            const std::size_t movedRows = mover.Move(table, rows, wrongDate, targetDate,
                                                     [&](std::size_t begin, std::size_t end) {
                                                         log(begin, end);
                                                         done = end;
                                                     });
            if (movedRows < rows.size()) {
                log(done, movedRows + 1);
                w.RollbackFailedWork();
                return stop(errorPrefix + form::Cp949ToUtf8(lastKey), false);
            }
            // Rows of a journal that listed keys only go back as they were moved: by key.
            for (const form::JournalRow& row : keysOnly) {
                if (!logged) {
                    writer.ExecuteSql(RegisterUpdateSql(targetDate, wrongDate));
                    continue;
                }
                lastKey = row.key;
                ui.AppendLog(std::string(table.logPrefix) + form::Cp949ToUtf8(lastKey) + " - " +
                             targetDashed);
                writer.ExecuteSql(RowUpdateSql(table, targetDate, targetDashed, wrongDate, lastKey,
                                               row.tblSalSeq));
            }
            // The rows are on disk before the commit is sent: a stop between the two leaves rows
            // listed that did not move, which a later run finds still on the wrong date.
            if (!goBack && !journal.Add(rows)) throw JournalNotWritten();
            if (w.InTransaction()) w.Commit();
        } catch (const JournalNotWritten&) {
            w.RollbackFailedWork();
            return stop(errorPrefix + form::Cp949ToUtf8(lastKey), true);
        } catch (...) {
            w.RollbackFailedWork();
            return stop(errorPrefix + form::Cp949ToUtf8(lastKey), false);
        }
        if (goBack && journal.ListsTable(table.name) && !journal.Drop(table.name))
            return stop(errorPrefix + form::Cp949ToUtf8(lastKey), true);
        return true;
    };
    for (size_t i = 0; i < kSingleDateTables.size(); ++i)
        if (!moveTable(kSingleDateTables[i], i == 0)) return false;
    // Registers opened while the tables moved go with the rest: read afresh.
    if (!moveTable(kRegisterTable, true)) return false;

    // Gone before the operator hears of the completion: a stop from here on leaves no journal.
    const bool removed = journal.Remove();

    ui.AppendLog(kRegisterHint);
    ui.MessageDialog(kDone, form::DialogKind::Information, form::DialogButtons::Ok);
    if (!removed) journal.WarnNotRemoved(ui);
    return true;
}

}  // namespace datefix
