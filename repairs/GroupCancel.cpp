// PLACEHOLDER: replaced by the real implementation.
#include "GroupCancel.h"

#include <stdexcept>

namespace repairs {

void LoadGroupTables(form::FormState&) {
    throw std::logic_error("not implemented");
}

void Button3Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

void Button4Click(form::FormState&) {
    throw std::logic_error("not implemented");
}

bool CancelGroup(form::FormState&, const std::string&) {
    throw std::logic_error("not implemented");
}

bool NotifyTableChange(form::FormState&, const std::string&) {
    throw std::logic_error("not implemented");
}

}  // namespace repairs
