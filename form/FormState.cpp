#include "form/FormState.h"

namespace form {

FormState::FormState(WindowOps& ui, const std::string& databaseName)
    : ui(ui),
      IBDatabase1(databaseName),
      IBTransaction1(&IBDatabase1, db::DbTransaction::Action::Rollback),
      IBQuery1(&IBDatabase1, &IBTransaction1, "IBQuery1"),
      IBSQL1(&IBDatabase1, &IBTransaction1) {
    IBDatabase1.SetDefaultTransaction(&IBTransaction1);
}

}  // namespace form
