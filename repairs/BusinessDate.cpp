// PLACEHOLDER: replaced by the real implementation.
#include "BusinessDate.h"

#include <stdexcept>

namespace repairs {

void LoadBusinessDate(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace repairs
