// PLACEHOLDER: replaced by the real implementation.
#include "DatePage.h"

#include <stdexcept>

namespace datefix {

void RadioButton3Click(form::FormState&, form::RadioId) {
    throw std::logic_error("not implemented");
}

void Button9Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

}  // namespace datefix
