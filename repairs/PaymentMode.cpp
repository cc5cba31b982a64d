#include "repairs/PaymentMode.h"

#include <exception>
#include <string>

#include "db/SqlQuote.h"
#include "form/ChangeGuard.h"
#include "form/Cp949.h"
#include "repairs/PrivateQuery.h"

namespace repairs {

namespace {

using form::DialogButtons;
using form::DialogKind;
using form::ListBoxId;

// One of the two option rows that carry the payment mode of a POS; idxCondition selects it.
// clang-format off
std::string OptionUpdate(const std::string& setYn, const std::string& posNo,
                         const char* idxCondition) {
    return std::string()
        + " Update SS_OPTION_POS Set  OP_SET_YN = "
        + db::SqlQuote(setYn)
        + ", "
        + " Send_Yn = 'N' "
        + " Where OP_POS_NO = "
        + db::SqlQuote(posNo)
        + " "
        + idxCondition;
}
// clang-format on

}  // namespace

void LoadPosList(form::FormState& form) {
    try {
        form.ui.ClearItems(ListBoxId::ListBox1);
        form.IBQuery1.Close();
        // Opening starts IBTransaction1 when needed; it stays active with the query open.
        form.IBQuery1.OpenQuery(" Select POS_NO From SS_MASTER ORDER BY POS_NO ");
        if (form.IBQuery1.HasRows()) {
            while (!form.IBQuery1.Eof()) {
                form.ui.AppendItem(ListBoxId::ListBox1, form.IBQuery1.FieldText("POS_NO"));
                form.IBQuery1.Next();
            }
        }
    } catch (const std::exception&) {
        // The list keeps what was read so far; the window goes on without a message.
    }
}

void Button1Click(form::FormState& form) {
    form::WindowOps& ui = form.ui;
    try {
        if (!form.IBDatabase1.IsConnected()) {
            ui.MessageDialog("DB연결실패", DialogKind::Warning, DialogButtons::Ok);
            return;
        }
        const int index = ui.SelectedIndex(ListBoxId::ListBox1);
        // 1 = prepaid, 2 = postpaid; postpaid wins if both are ever checked.
        int mode = 0;
        if (ui.IsChecked(form::RadioId::RadioButton1)) mode = 1;
        if (ui.IsChecked(form::RadioId::RadioButton2)) mode = 2;
        if (index < 0) {
            ui.MessageDialog("POS를 선택하세요.", DialogKind::Warning, DialogButtons::Ok);
            return;
        }
        if (mode == 0) {
            ui.MessageDialog("선/후불제를 선택하세요.", DialogKind::Information, DialogButtons::Ok);
            return;
        }
        if (!form::AskIfOthersConnected(form) || !form::BackUpBeforeChange(form)) return;

        try {
            const std::string set001 = mode == 1 ? "Y" : "N";
            const std::string set002 = mode == 1 ? "N" : "Y";
            const std::string posNo = ui.ItemBytes(ListBoxId::ListBox1, index);

            if (!form.IBTransaction1.InTransaction()) form.IBTransaction1.StartTransaction();
            form.IBQuery1.Close();
            form.IBQuery1.ExecuteSql(OptionUpdate(set001, posNo, " And OP_IDX = '001' "));
            form.IBQuery1.Close();
            form.IBQuery1.ExecuteSql(OptionUpdate(set002, posNo, " And OP_IDX = '002' "));
            form.IBTransaction1.Commit();

            ui.MessageDialog(form::Cp949ToUtf8(posNo) + " POS 변경 완료.", DialogKind::Information,
                             DialogButtons::Ok);
        } catch (const std::exception&) {
            // Both option rows change together or not at all.
            form.IBTransaction1.RollbackFailedWork();
            ui.MessageDialog("변경 실패.", DialogKind::Warning, DialogButtons::Ok);
        }
    } catch (const std::exception&) {
        // Reading the controls or showing a dialog failed: the click ends without a message.
    }
}

}  // namespace repairs
