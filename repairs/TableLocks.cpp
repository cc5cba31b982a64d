#include "repairs/TableLocks.h"

#include <exception>
#include <string>

#include "db/SqlQuote.h"
#include "form/ChangeGuard.h"
#include "repairs/PrivateQuery.h"

namespace repairs {

void Button6Click(form::FormState& form) {
    form::WindowOps& ui = form.ui;
    if (!form::AskIfOthersConnected(form)) return;
    if (ui.MessageDialog("테이블 락 제거 진행하시겠습니까?", form::DialogKind::Information,
                         form::DialogButtons::OkCancel) != form::kResultOk)
        return;
    if (!form::BackUpBeforeChange(form)) return;

    PrivateQuery cleanup(form.IBDatabase1);
    try {
        StartIfInactive(cleanup);
        // Table 9999 loses its lock row; every other locked row is reset in place.
        // clang-format off
        cleanup.query.Close();
        cleanup.query.ExecuteSql(std::string()
            + " Delete From Os_Table_Lock Where Tbl_No = "
            + db::SqlQuote("9999")
            + " ");
        cleanup.query.Close();
        cleanup.query.ExecuteSql(
            " update os_table_lock set  lock_sw = '0',  pos_no = ''  where lock_sw <> '0' ");
        // clang-format on
        if (cleanup.transaction.InTransaction()) cleanup.transaction.Commit();
        ui.MessageDialog("테이블 락 제거 완료", form::DialogKind::Information,
                         form::DialogButtons::Ok);
    } catch (const std::exception&) {
        cleanup.transaction.RollbackFailedWork();
        ui.MessageDialog("테이블 락 제거 실패", form::DialogKind::Warning, form::DialogButtons::Ok);
    }
}

}  // namespace repairs
