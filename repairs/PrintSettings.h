#pragma once

#include "form/FormState.h"

namespace repairs {

// Creates the missing per-product print-routing rows.
void Button7Click(form::FormState& form);

}  // namespace repairs
