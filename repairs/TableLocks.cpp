// PLACEHOLDER: replaced by the real implementation.
#include "TableLocks.h"

#include <stdexcept>

namespace repairs {

void Button6Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace repairs
