// PLACEHOLDER: replaced by the real implementation.
#include "SingleDateMove.h"

#include <stdexcept>

namespace datefix {

bool ChangeSpecifiedDate(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace datefix
