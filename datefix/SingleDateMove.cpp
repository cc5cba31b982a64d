#include "datefix/SingleDateMove.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

#include "datefix/MoveSupport.h"
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
// The register step has no key: the journal lists it as one row of this table.
constexpr const char* kRegisterTable = "OC_REGISTER";

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

// A sale booked on the target date since the stop under the number of a moved sale: its rows in
// the tables the journal lists cannot be told from the moved ones, so neither going on nor moving
// back can be done row by row. Seen where a table the journal does not list yet holds, on the
// target date, a Sal_Seq the journal lists for another table. cs_master numbers its rows by
// bill, not by sale, and plays no part.
bool SalesMixedSinceStop(db::DbQuery& reader, const form::MoveJournalEntry& stopped) {
    std::set<std::string> listedTables, movedSales;
    for (const form::JournalRow& row : stopped.rows) {
        listedTables.insert(row.table);
        for (const SingleDateTable& table : kSingleDateTables)
            if (row.table == table.name && std::string(table.key) == "Sal_Seq")
                movedSales.insert(row.key);
    }
    for (const SingleDateTable& table : kSingleDateTables) {
        if (std::string(table.key) != "Sal_Seq" || listedTables.count(table.name)) continue;
        reader.OpenQuery(TargetKeysSql(table, stopped.targetDate));
        for (; reader.HasRows() && !reader.Eof(); reader.Next())
            if (movedSales.count(reader.FieldText(table.key))) return true;
    }
    return false;
}

// Refuses both directions of a stopped move whose target date got mixed sales: a warning naming
// the backup taken before its first change; the log gets the first line.
bool RefuseMixed(form::WindowOps& ui, const form::MoveJournalEntry& stopped) {
    const std::string line = stopped.wrongDate + " → " + stopped.targetDate +
                             " 매출일자 변경 이후 " + stopped.targetDate +
                             "에 같은 번호의 매출이 새로 등록되어 이어서 진행하거나 되돌릴 수 "
                             "없습니다.";
    ui.AppendLog(line);
    std::string text = line;
    if (!stopped.backup.empty()) text += "\r\n변경 전 백업: " + stopped.backup;
    ui.MessageDialog(text, form::DialogKind::Warning, form::DialogButtons::Ok);
    return false;
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
    bool Lists(const form::JournalRow& row) const { return listed_.count(Key(row)) > 0; }

    // Adds the keys not listed yet and writes them to the journal.
    bool Add(const std::vector<form::JournalRow>& rows) {
        std::vector<form::JournalRow> added;
        for (const form::JournalRow& row : rows)
            if (listed_.insert(Key(row)).second) added.push_back(row);
        entry_.rows.insert(entry_.rows.end(), added.begin(), added.end());
        return !store_ || added.empty() || store_->Append(database_, entry_, added);
    }

    // Takes the keys of one table out and writes the journal.
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

    // Removes the journal of the completed move. False when it stays: it then refuses every
    // move until it is gone.
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
    using RowKey = std::tuple<std::string, std::string, std::string>;
    static RowKey Key(const form::JournalRow& row) { return {row.table, row.key, row.tblSalSeq}; }

    form::MoveJournal* store_;
    std::string database_;
    form::MoveJournalEntry entry_;
    std::set<RowKey> listed_;
};

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

    // A journal that lists keys is a move that stopped part-way: the same dates go on with it,
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
        if (SalesMixedSinceStop(reader, *stopped)) return RefuseMixed(ui, *stopped);
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

    // Whether the day's sales are split over the two dates: a stopped move's journal lists keys,
    // and a new move splits them with its first commit.
    bool split = stopped.has_value();
    auto warnIfSplit = [&] {
        if (split)
            ui.MessageDialog(StoppedMoveWarning(journal.Entry()), form::DialogKind::Warning,
                             form::DialogButtons::Ok);
    };
    auto stop = [&](const std::string& errorLine, bool journalFailed) {
        if (journalFailed) journal.Warn(ui);
        ui.AppendLog(errorLine);
        warnIfSplit();
        return false;
    };

    const std::string targetDashed = Dashed(targetDate);
    std::string lastKey;  // the key read last, also across tables: it names a failed unit
    for (size_t i = 0; i < kSingleDateTables.size(); ++i) {
        const SingleDateTable& table = kSingleDateTables[i];
        // Moving back takes only the rows the journal lists, so sales booked on the date since
        // the stop stay there. Going forward reads the rows left on the wrong date.
        std::vector<form::JournalRow> rows;
        if (goBack) {
            for (const form::JournalRow& row : journal.Entry().rows)
                if (row.table == table.name) rows.push_back(row);
        } else {
            // Table 1 starts R afresh; every later selection reads that same snapshot, so the
            // committed writes never change what a selection yields. A selection that fails
            // leaves the move uncaught, after the warning when the day is split already.
            try {
                if (i == 0 && r.InTransaction()) r.Commit();
                reader.OpenQuery(SelectionSql(table, wrongDate));
            } catch (...) {
                warnIfSplit();
                throw;
            }
        }

        // One table is one unit of W: all its rows commit together or not at all, whatever
        // stops it (the server, a log line or a journal that cannot be written, memory).
        try {
            if (!w.InTransaction()) w.StartTransaction();
            for (size_t n = 0; goBack ? n < rows.size() : !reader.Eof(); ++n) {
                if (!goBack)
                    rows.push_back({table.name, reader.FieldText(table.key),
                                    table.tblSalSeq ? reader.FieldText("Tbl_Sal_Seq") : ""});
                lastKey = rows[n].key;
                ui.AppendLog(std::string(table.logPrefix) + form::Cp949ToUtf8(lastKey) + " - " +
                             targetDashed);
                writer.ExecuteSql(RowUpdateSql(table, targetDate, targetDashed, wrongDate, lastKey,
                                               rows[n].tblSalSeq));
                if (!goBack) reader.Next();
            }
            // The keys are on disk before the commit is sent: a stop between the two leaves
            // keys listed whose rows did not move, which a later run finds nowhere and skips.
            if (!goBack && !journal.Add(rows)) throw JournalNotWritten();
            if (w.InTransaction()) w.Commit();
            split = split || !rows.empty();
        } catch (const JournalNotWritten&) {
            w.RollbackFailedWork();
            return stop(std::string("ERROR ") + table.logPrefix + form::Cp949ToUtf8(lastKey), true);
        } catch (...) {
            w.RollbackFailedWork();
            return stop(std::string("ERROR ") + table.logPrefix + form::Cp949ToUtf8(lastKey),
                        false);
        }
        if (goBack && !rows.empty() && !journal.Drop(table.name))
            return stop(std::string("ERROR ") + table.logPrefix + form::Cp949ToUtf8(lastKey), true);
    }

    // The register rows have no key of their own: moving back moves them only when the stopped
    // move had moved them.
    const form::JournalRow registerRow{kRegisterTable, "", ""};
    if (!goBack || journal.Lists(registerRow)) {
        try {
            if (!w.InTransaction()) w.StartTransaction();
            writer.ExecuteSql(RegisterUpdateSql(targetDate, wrongDate));
            if (!goBack && !journal.Add({registerRow})) throw JournalNotWritten();
            if (w.InTransaction()) w.Commit();
            split = true;
        } catch (const JournalNotWritten&) {
            w.RollbackFailedWork();
            return stop("ERROR OC_REGISTER->" + form::Cp949ToUtf8(lastKey), true);
        } catch (...) {
            w.RollbackFailedWork();
            return stop("ERROR OC_REGISTER->" + form::Cp949ToUtf8(lastKey), false);
        }
    }
    // Gone before the operator hears of the completion: a stop from here on leaves no journal.
    const bool removed = journal.Remove();

    ui.AppendLog(kRegisterHint);
    ui.MessageDialog(kDone, form::DialogKind::Information, form::DialogButtons::Ok);
    if (!removed) journal.WarnNotRemoved(ui);
    return true;
}

}  // namespace datefix
