#pragma once

#include "form/FormState.h"

namespace repairs {

// Removes every table lock ("전체 테이블 락 제거").
void Button6Click(form::FormState& form);

}  // namespace repairs
