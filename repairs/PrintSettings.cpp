// PLACEHOLDER: replaced by the real implementation.
#include "PrintSettings.h"

#include <stdexcept>

namespace repairs {

void Button7Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace repairs
