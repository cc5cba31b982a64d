#include "datefix/SingleDateMove.h"

#include <optional>

#include "datefix/MoveSupport.h"
#include "datefix/SalesTables.h"
#include "form/ChangeGuard.h"
#include "form/Cp949.h"

namespace datefix {

namespace {

constexpr const char* kRegisterHint = "OC_REGISTER 과 OC_DAY_PASSMONEY 는 확인 후 설정";
constexpr const char* kDone = "완료.";

// A sale is an OS_MASTER row and its order lines are OS_Order rows: either one on the target
// date means that date already has sales, and moving onto it would mix two days' sales.
bool TargetHasSales(db::DbQuery& reader, const std::string& targetDate) {
    for (const char* table : {"OS_Order", "OS_MASTER"}) {
        reader.OpenQuery(TargetCountSql(table, targetDate));
        if (reader.FieldInt("cnt") >= 1) return true;
    }
    return false;
}

// The question before going on with, or back from, a recorded move that stopped part-way.
bool AskToFinish(form::WindowOps& ui, const form::UnfinishedMove& stopped, bool goOn) {
    const std::string text = stopped.wrongDate + " → " + stopped.targetDate +
                             " 매출일자 변경이 중간에 중단되었습니다. " +
                             (goOn ? "이어서 진행하시겠습니까?" : "되돌리시겠습니까?");
    return ui.MessageDialog(text, form::DialogKind::Confirmation, form::DialogButtons::OkCancel) ==
           form::kResultOk;
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

    // A move of these two dates, either way, that stopped part-way has left sales on the target
    // date: the operator may go on with it or move back instead of being refused.
    form::UnfinishedMoves* const unfinished = form.unfinishedMoves;
    const std::string database = form.IBDatabase1.DatabaseName();
    const std::optional<form::UnfinishedMove> stopped =
        unfinished ? unfinished->Find(database) : std::nullopt;
    const bool goOn =
        stopped && stopped->wrongDate == wrongDate && stopped->targetDate == targetDate;
    const bool goBack =
        stopped && stopped->wrongDate == targetDate && stopped->targetDate == wrongDate;

    // Read failures below are not caught here: they leave the move and the page's handler.
    if (r.InTransaction()) r.Commit();
    if (TargetHasSales(reader, targetDate) &&
        !((goOn || goBack) && AskToFinish(ui, *stopped, goOn))) {
        ui.AppendLog(kSalesOnTargetLine);
        return false;
    }
    if (!form::BackUpBeforeChange(form, true)) return false;

    // Once a unit is committed, a stop leaves the sales split over two dates: it is recorded so
    // that a later run can finish or undo the move.
    size_t committedUnits = 0;
    auto stop = [&](const std::string& errorLine) {
        if (unfinished && (committedUnits > 0 || goOn || goBack))
            unfinished->Record(database, {wrongDate, targetDate, errorLine, {}});
        ui.AppendLog(errorLine);
        return false;
    };

    const std::string targetDashed = Dashed(targetDate);
    std::string lastKey;  // the key read last, also across tables: it names a failed unit
    for (size_t i = 0; i < kSingleDateTables.size(); ++i) {
        const SingleDateTable& table = kSingleDateTables[i];
        // Table 1 starts R afresh; every later selection reads that same snapshot, so the
        // committed writes never change what a selection yields.
        if (i == 0 && r.InTransaction()) r.Commit();
        reader.OpenQuery(SelectionSql(table, wrongDate));

        // One table is one unit of W: all its rows commit together or not at all, whatever
        // stops it (the server, a log line that cannot be written, memory).
        try {
            if (!w.InTransaction()) w.StartTransaction();
            while (!reader.Eof()) {
                lastKey = reader.FieldText(table.key);
                const std::string tblSalSeq =
                    table.tblSalSeq ? reader.FieldText("Tbl_Sal_Seq") : std::string();
                ui.AppendLog(std::string(table.logPrefix) + form::Cp949ToUtf8(lastKey) + " - " +
                             targetDashed);
                writer.ExecuteSql(
                    RowUpdateSql(table, targetDate, targetDashed, wrongDate, lastKey, tblSalSeq));
                reader.Next();
            }
            if (w.InTransaction()) w.Commit();
            ++committedUnits;
        } catch (...) {
            w.RollbackFailedWork();
            return stop(std::string("ERROR ") + table.logPrefix + form::Cp949ToUtf8(lastKey));
        }
    }

    try {
        if (!w.InTransaction()) w.StartTransaction();
        writer.ExecuteSql(RegisterUpdateSql(targetDate, wrongDate));
        if (w.InTransaction()) w.Commit();
    } catch (...) {
        w.RollbackFailedWork();
        return stop("ERROR OC_REGISTER->" + form::Cp949ToUtf8(lastKey));
    }
    if (goOn || goBack) unfinished->Remove(database);

    ui.AppendLog(kRegisterHint);
    ui.MessageDialog(kDone, form::DialogKind::Information, form::DialogButtons::Ok);
    return true;
}

}  // namespace datefix
