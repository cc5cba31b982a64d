#pragma once

#include "form/FormState.h"

namespace repairs {

// Looks up the store's business date from oc_register into form.BusinessDate.
void LoadBusinessDate(form::FormState& form);

}  // namespace repairs
