#pragma once

#include "form/FormState.h"

namespace datefix {

// Mode switch of the date correction page; sender is the radio button that was clicked.
void RadioButton3Click(form::FormState& form, form::RadioId sender);
// Confirms, clears the log and runs the move of the chosen mode between its start and end lines.
// False when the move refused or stopped (its error end line) and when the checks before it
// refused or stopped it; true otherwise, also when a question was answered with Cancel.
bool Button9Click(form::FormState& form);

}  // namespace datefix
