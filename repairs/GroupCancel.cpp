#include "repairs/GroupCancel.h"

#include <cstddef>
#include <exception>
#include <string>

#include "db/SqlQuote.h"
#include "form/ChangeGuard.h"
#include "form/Cp949.h"
#include "repairs/BusinessDate.h"
#include "repairs/PrivateQuery.h"

namespace repairs {

namespace {

using form::DialogButtons;
using form::DialogKind;
using form::ListBoxId;

// clang-format off
// Every table that carries any group data; the tables of one group stand together.
const char* const kGroupTablesSql =
    " Select tbl_no, tbl_nm from ti_master  where ((grp_no <> '') or  (grp_mst_yn <> '') or  (grp_set_sw = 1))  order by grp_no, grp_mst_yn, tbl_nm ";

// The grouped tables of the group that table tblNo belongs to.
std::string GroupMembersSql(const std::string& tblNo) {
    return std::string()
        + " Select tbl_no from ti_master  where grp_no =  (select max(grp_no) from ti_master   where tbl_no = "
        + db::SqlQuote(tblNo)
        + " ) "
        + " and grp_no <> '' "
        + " and grp_mst_yn <> '' ";
}

std::string UngroupSql(const std::string& tblNo) {
    return std::string()
        + " Update ti_master  Set grp_set_sw = '0'  , grp_no = ''  , grp_mst_yn = ''  where tbl_no = "
        + db::SqlQuote(tblNo)
        + " ";
}

std::string UnlockSql(const std::string& tblNo) {
    return std::string()
        + "update OS_TABLE_LOCK set lock_sw = '0', pos_no = '' where tbl_no="
        + db::SqlQuote(tblNo)
        + " ";
}

std::string NotificationCountSql(const std::string& salYmd, const std::string& tblNo,
                                 const std::string& posNo) {
    return std::string()
        + " Select count(pos_no) CNT From OS_Table_Change  Where Sal_Ymd = "
        + db::SqlQuote(salYmd)
        + " "
        + " And Tbl_No = "
        + db::SqlQuote(tblNo)
        + " "
        + " And Pos_No = "
        + db::SqlQuote(posNo)
        + " "
        + " And Order_Sw = "
        + db::SqlQuote("1")
        + " ";
}

std::string NotificationInsertSql(const std::string& salYmd, const std::string& tblNo,
                                  const std::string& posNo) {
    return std::string()
        + " Insert Into OS_Table_Change  (Sal_Ymd, Tbl_No, Pos_No, Order_Sw)  Values (  "
        + db::SqlQuote(salYmd)
        + ", "
        + " "
        + db::SqlQuote(tblNo)
        + ", "
        + " "
        + db::SqlQuote(posNo)
        + ", "
        + " "
        + db::SqlQuote("1")
        + " "
        + " ) ";
}
// clang-format on

}  // namespace

void LoadGroupTables(form::FormState& form) {
    try {
        form.TableNoList.clear();
        form.ui.ClearItems(ListBoxId::ListBox2);
        form.IBQuery1.Close();
        // A fresh transaction, so the list shows the tables as they are now.
        if (form.IBTransaction1.InTransaction()) form.IBTransaction1.Commit();
        form.IBQuery1.OpenQuery(kGroupTablesSql);
        if (form.IBQuery1.HasRows()) {
            while (!form.IBQuery1.Eof()) {
                form.ui.AppendItem(ListBoxId::ListBox2, form.IBQuery1.FieldText("tbl_nm"));
                form.TableNoList.push_back(form.IBQuery1.FieldText("tbl_no"));
                form.IBQuery1.Next();
            }
        }
    } catch (const std::exception&) {
        form.ui.MessageDialog("그룹데이터 확인 실패", DialogKind::Warning, DialogButtons::Ok);
    }
}

void Button3Click(form::FormState& form) {
    form::WindowOps& ui = form.ui;
    const int index = ui.SelectedIndex(ListBoxId::ListBox2);
    // An item without a table number (a list load that failed half-way) counts as no selection.
    if (index < 0 || static_cast<std::size_t>(index) >= form.TableNoList.size()) return;
    if (!form::AskIfOthersConnected(form)) return;

    const std::string question = form::Cp949ToUtf8(ui.ItemBytes(ListBoxId::ListBox2, index)) +
                                 "\r\n" + "강제 그룹취소를 하시겠습니까?";
    if (ui.MessageDialog(question, DialogKind::Information, DialogButtons::OkCancel) !=
        form::kResultOk)
        return;

    const std::string tblNo = form.TableNoList[static_cast<std::size_t>(index)];
    // A failed lookup is reported there; the notifications then carry an empty date.
    LoadBusinessDate(form);
    if (!form::BackUpBeforeChange(form)) return;
    if (CancelGroup(form, tblNo))
        ui.MessageDialog("그룹취소 되었습니다.", DialogKind::Information, DialogButtons::Ok);
    LoadGroupTables(form);
}

void Button4Click(form::FormState& form) {
    LoadGroupTables(form);
}

bool CancelGroup(form::FormState& form, const std::string& tblNo) {
    PrivateQuery reader(form.IBDatabase1);
    PrivateQuery writer(form.IBDatabase1);
    try {
        reader.query.Close();
        if (reader.transaction.InTransaction()) reader.transaction.Commit();
        // The group as it is now; the writes below commit on another transaction and leave
        // this cursor where it is.
        reader.query.OpenQuery(GroupMembersSql(tblNo));
        if (reader.query.HasRows()) {
            while (!reader.query.Eof()) {
                const std::string member = reader.query.FieldText("tbl_no");
                if (!writer.transaction.InTransaction()) writer.transaction.StartTransaction();
                writer.query.Close();
                writer.query.ExecuteSql(UngroupSql(member));
                writer.query.Close();
                writer.query.ExecuteSql(UnlockSql(member));
                if (writer.transaction.InTransaction()) writer.transaction.Commit();
                // The notification shows its own message; the rest of the group stays as is.
                if (!NotifyTableChange(form, member)) return false;
                reader.query.Next();
            }
        }
        return true;
    } catch (...) {
        // Rolled back before the message: the box must not hold the step's rows locked, and a
        // dialog that throws must not leave the step to be committed when the writer is freed.
        writer.transaction.RollbackFailedWork();
        form.ui.MessageDialog("그룹취소실패-2", DialogKind::Warning, DialogButtons::Ok);
        return false;
    }
}

bool NotifyTableChange(form::FormState& form, const std::string& tblNo) {
    PrivateQuery posReader(form.IBDatabase1);
    PrivateQuery writer(form.IBDatabase1);
    try {
        posReader.query.Close();
        posReader.query.OpenQuery(" Select POS_No From SS_Master order by POS_No ");
        if (posReader.query.HasRows()) {
            while (!posReader.query.Eof()) {
                const std::string posNo = posReader.query.FieldText("POS_No");
                // The count runs on the writer, so it also sees the rows inserted for the
                // POS terminals before this one.
                writer.query.Close();
                writer.query.OpenQuery(NotificationCountSql(form.BusinessDate, tblNo, posNo));
                if (writer.query.FieldInt("CNT") == 0) {
                    if (!writer.transaction.InTransaction()) writer.transaction.StartTransaction();
                    writer.query.Close();
                    writer.query.ExecuteSql(NotificationInsertSql(form.BusinessDate, tblNo, posNo));
                }
                posReader.query.Next();
            }
        }
        // All notifications of one table are committed together.
        if (writer.transaction.InTransaction()) writer.transaction.Commit();
        return true;
    } catch (...) {
        writer.transaction.RollbackFailedWork();
        form.ui.MessageDialog("그룹취소실패-1", DialogKind::Warning, DialogButtons::Ok);
        return false;
    }
}

}  // namespace repairs
