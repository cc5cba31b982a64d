#pragma once

#include "form/FormState.h"

namespace datefix {

// Gives each misdated sale of the range dtChange01..dtChange02 the date of its own time stamp.
bool ChangeMultipleDates(form::FormState& form);

}  // namespace datefix
