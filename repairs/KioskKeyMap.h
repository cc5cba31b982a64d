#pragma once

#include "form/FormState.h"

namespace repairs {

// Removes orphaned set-menu keys and duplicated product keys from the kiosk key map.
void Button8Click(form::FormState& form);

}  // namespace repairs
