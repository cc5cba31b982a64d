#include "repairs/BusinessDate.h"

#include <exception>
#include <string>

#include "form/Trim.h"
#include "repairs/PrivateQuery.h"

namespace repairs {

namespace {

// clang-format off
// The greatest sales date of the opening records (kind '1'), '' when there is none.
const char* const kOpeningDateSql =
    "select case when max(sal_ymd) is null then '' else max(sal_ymd) end mx  from oc_register  where oc_gb = '1' ";

// Without opening records: the greatest sales date of the uncancelled kind '2' records.
const char* const kFallbackDateSql =
    "select case when max(a.sal_ymd) is null then '' else max(a.sal_ymd) end mx  \r\n"
    "from (select * from oc_register where oc_gb = '2' and cancel_yn = 'N') a left join \r\n"
    "     (select * from oc_register where oc_gb = '1') b  \r\n"
    "     on  a.sal_ymd = b.sal_ymd \r\n";
// clang-format on

}  // namespace

void LoadBusinessDate(form::FormState& form) {
    form.BusinessDate.clear();
    PrivateQuery reader(form.IBDatabase1);
    try {
        reader.query.Close();
        if (reader.transaction.InTransaction()) reader.transaction.Commit();
        reader.query.OpenQuery(kOpeningDateSql);
        form.BusinessDate = form::Trim(reader.query.FieldText("mx"));
        if (form.BusinessDate.empty()) {
            reader.query.Close();
            reader.query.OpenQuery(kFallbackDateSql);
            form.BusinessDate = form::Trim(reader.query.FieldText("mx"));
        }
    } catch (const std::exception&) {
        form.BusinessDate.clear();
        form.ui.MessageDialog("개점일자 확인 실패", form::DialogKind::Warning,
                              form::DialogButtons::Ok);
    }
}

}  // namespace repairs
