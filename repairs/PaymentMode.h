#pragma once

#include "form/FormState.h"

namespace repairs {

// Refills ListBox1 with the POS numbers of SS_MASTER; failures are swallowed.
void LoadPosList(form::FormState& form);
// Switches the selected POS between prepaid and postpaid.
void Button1Click(form::FormState& form);

}  // namespace repairs
