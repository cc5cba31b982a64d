// PLACEHOLDER: replaced by the real implementation.
#include "KioskKeyMap.h"

#include <stdexcept>

namespace repairs {

void Button8Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace repairs
