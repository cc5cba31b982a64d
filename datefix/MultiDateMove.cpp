#include "datefix/MultiDateMove.h"

#include "datefix/MoveSupport.h"
#include "datefix/SalesTables.h"
#include "form/ChangeGuard.h"

namespace datefix {

namespace {

constexpr const char* kRegisterByHand = "OC_REGISTER 수동 적용 해야 합니다.";
constexpr const char* kDone = "완료.";

}  // namespace

bool ChangeMultipleDates(form::FormState& form) {
    MoveObjects objects(form.IBDatabase1);
    db::DbTransaction& r = objects.R();
    db::DbQuery& reader = objects.RQuery();
    db::DbTransaction& w = objects.W();
    db::DbQuery& writer = objects.WQuery();
    form::WindowOps& ui = form.ui;

    std::string fromDate, toDate;
    if (!ReadPickerDates(ui, fromDate, toDate)) return false;

    // A single-date move that stopped part-way is finished or moved back first: realigning the
    // days in between would move rows its journal lists.
    std::optional<form::MoveJournalEntry> stopped;
    if (!ReadStoppedMove(form, stopped)) return false;
    if (stopped) {
        ui.AppendLog(FinishFirstLine(*stopped));
        return false;
    }

    // The days the misdated sales really belong to must be free of sales. Read failures are not
    // caught here: they leave the move and the page's handler.
    if (r.InTransaction()) r.Commit();
    reader.OpenQuery(SpanSql(fromDate, toDate));
    if (reader.HasRows()) {
        const std::string first = reader.FieldText("sal_ymd1");
        const std::string last = reader.FieldText("sal_ymd2");
        reader.OpenQuery(SpanCountSql(first, last));
        if (reader.FieldInt("cnt") >= 1) {
            ui.AppendLog(kSalesOnTargetLine);
            return false;
        }
    }

    // Rows whose stamp is no date are not moved; the log says how many.
    reader.OpenQuery(KeptBackCountSql(fromDate, toDate));
    const int keptBack = reader.FieldInt("cnt");
    if (!form::BackUpBeforeChange(form, true)) return false;

    // Each statement is its own unit of W; the first failure stops the run with the statements
    // before it committed.
    for (const RealignTable& table : kRealignTables) {
        try {
            if (!w.InTransaction()) w.StartTransaction();
            writer.ExecuteSql(RealignSql(table, fromDate, toDate));
            if (w.InTransaction()) w.Commit();
        } catch (...) {
            w.RollbackFailedWork();
            ui.AppendLog(std::string("ERROR ") + table.name);
            return false;
        }
    }

    if (keptBack >= 1)
        ui.AppendLog("날짜 형식이 아닌 시간 기록 " + std::to_string(keptBack) +
                     "건은 변경하지 않았습니다.");
    ui.AppendLog(kRegisterByHand);
    ui.MessageDialog(kDone, form::DialogKind::Information, form::DialogButtons::Ok);
    return true;
}

}  // namespace datefix
