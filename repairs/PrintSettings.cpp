#include "repairs/PrintSettings.h"

#include <exception>

#include "form/ChangeGuard.h"
#include "repairs/PrivateQuery.h"

namespace repairs {

namespace {

// One row with send_yn 'N' for every product that has no print-setting row yet. NOT EXISTS
// rather than NOT IN: a print-setting row with a NULL product code would make NOT IN false for
// every product, and nothing would be inserted.
// clang-format off
const char* const kInsertMissingSql =
    " insert into ss_device_link (prodcd, send_yn)  select prod_cd, 'N' from pi_master p  where not exists (select 1 from ss_device_link d where d.prodcd = p.prod_cd) ";
// clang-format on

}  // namespace

void Button7Click(form::FormState& form) {
    form::WindowOps& ui = form.ui;
    if (!form::AskIfOthersConnected(form)) return;
    if (ui.MessageDialog("상품별인쇄설정 누락시 처리 진행하시겠습니까?",
                         form::DialogKind::Information,
                         form::DialogButtons::OkCancel) != form::kResultOk)
        return;
    if (!form::BackUpBeforeChange(form)) return;

    PrivateQuery mend(form.IBDatabase1);
    try {
        StartIfInactive(mend);
        mend.query.Close();
        mend.query.ExecuteSql(kInsertMissingSql);
        if (mend.transaction.InTransaction()) mend.transaction.Commit();
        ui.MessageDialog("상품별인쇄설정 누락시 처리 완료", form::DialogKind::Information,
                         form::DialogButtons::Ok);
    } catch (const std::exception&) {
        mend.transaction.RollbackFailedWork();
        ui.MessageDialog("상품별인쇄설정 누락시 처리 실패", form::DialogKind::Warning,
                         form::DialogButtons::Ok);
    }
}

}  // namespace repairs
