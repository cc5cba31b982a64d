// PLACEHOLDER: replaced by the real implementation.
#include "PaymentMode.h"

#include <stdexcept>

namespace repairs {

void LoadPosList(form::FormState&) {
    throw std::logic_error("not implemented");
}

void Button1Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace repairs
