// PLACEHOLDER: replaced by the real implementation.
#include "MultiDateMove.h"

#include <stdexcept>

namespace datefix {

bool ChangeMultipleDates(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace datefix
