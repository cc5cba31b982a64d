#pragma once

#include <string>

namespace form {

// The text without blanks and control characters (bytes up to 32) at either end. Code page 949
// bytes all lie above them, so Korean text is never cut.
std::string Trim(const std::string& text);

}  // namespace form
