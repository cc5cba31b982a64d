#include "repairs/KioskKeyMap.h"

#include <exception>
#include <string>

#include "form/ChangeGuard.h"
#include "repairs/PrivateQuery.h"

namespace repairs {

namespace {

// clang-format off
// Set-menu choice keys (kinds 10 and 11) whose product is no item of the key's set group.
const char* const kOrphanedKind10Sql =
    " delete from pi_kiosk_c_set a  where kiosk_set_type = 10  and prod_cd not in (      select prod_i_cd      from pi_setitem b, pi_setgroup c      where setitem_prod_no = a.setgrp_prod_no      and setitem_prod_no = c.setgrp_prod_no      and c.prod_g_cd = a.prod_g_cd  ) ";
const char* const kOrphanedKind11Sql =
    " delete from pi_kiosk_c_set a  where kiosk_set_type = 11  and prod_cd not in (      select prod_i_cd      from pi_setitem b, pi_setgroup c      where setitem_prod_no = a.setgrp_prod_no      and setitem_prod_no = c.setgrp_prod_no      and c.prod_g_cd = a.prod_g_cd  ) ";
// clang-format on

// Per product with more than one plain key (kind 1): drop the first key without an image in
// page order, then, if still more than one is left, the first key in page order. The block's
// own variables are written with ':', so it runs on IBSQL1, which sends its text unchanged.
// The product code variable takes the type of the column, so no code is too long for it.
const char* const kDuplicateKeyBlockLines[] = {
    " execute block as ",
    " declare variable g_prodcd type of column pi_kiosk_c_set.prod_cd; ",
    " declare variable g_cnt integer; ",
    " begin ",
    "   for select prod_cd from ",
    "       ( ",
    "        select prod_cd, count(prod_cd)cnt from pi_kiosk_c_set ",
    "        where kiosk_set_type = 1 ",
    "        group by prod_cd ",
    "       ) where cnt > 1 into :g_prodcd do begin ",
    " ",
    "       if (:g_prodcd is not null) then ",
    "       begin ",
    "         delete from pi_kiosk_c_set ",
    "         where kiosk_set_type = 1 ",
    "         and prod_cd = :g_prodcd ",
    "         and image_data is null ",
    "         order by page_no ",
    "         rows 1; ",
    " ",
    "         select count(prod_cd)cnt from pi_kiosk_c_set ",
    "         where kiosk_set_type = 1 ",
    "         and prod_cd = :g_prodcd ",
    "         into :g_cnt; ",
    " ",
    "         if (:g_cnt > 1) then ",
    "         begin ",
    "           delete from pi_kiosk_c_set ",
    "           where kiosk_set_type = 1 ",
    "           and prod_cd = :g_prodcd ",
    "           order by page_no ",
    "           rows 1; ",
    "         end ",
    "       end ",
    "   end ",
    " end  ",
};

std::string DuplicateKeyBlock() {
    std::string block;
    for (const char* line : kDuplicateKeyBlockLines) {
        if (!block.empty()) block += "\r\n";
        block += line;
    }
    return block;
}

}  // namespace

void Button8Click(form::FormState& form) {
    form::WindowOps& ui = form.ui;
    if (!form::AskIfOthersConnected(form)) return;
    if (ui.MessageDialog("키맵이상 정리 진행하시겠습니까?", form::DialogKind::Information,
                         form::DialogButtons::OkCancel) != form::kResultOk)
        return;
    if (!form::BackUpBeforeChange(form)) return;

    // The two deletes and the block run in one transaction. Freeing it at the end leaves IBSQL1
    // without a transaction until the next run binds it again.
    PrivateQuery cleanup(form.IBDatabase1);
    form.IBSQL1.SetTransaction(&cleanup.transaction);
    try {
        StartIfInactive(cleanup);
        cleanup.query.Close();
        cleanup.query.ExecuteSql(kOrphanedKind10Sql);
        cleanup.query.Close();
        cleanup.query.ExecuteSql(kOrphanedKind11Sql);
        form.IBSQL1.Close();
        form.IBSQL1.ExecuteSql(DuplicateKeyBlock());
        if (cleanup.transaction.InTransaction()) cleanup.transaction.Commit();
        ui.MessageDialog("키맵이상 정리 처리 완료", form::DialogKind::Information,
                         form::DialogButtons::Ok);
    } catch (const std::exception&) {
        // Undoes both deletes and the block together.
        cleanup.transaction.RollbackFailedWork();
        ui.MessageDialog("키맵이상 정리 처리 실패", form::DialogKind::Warning,
                         form::DialogButtons::Ok);
    }
}

}  // namespace repairs
