#pragma once

#include "form/FormState.h"

namespace datefix {

// Moves every sales row of the date in dtChange01 to the date in dtChange02. True when done.
bool ChangeSpecifiedDate(form::FormState& form);

}  // namespace datefix
