#pragma once

#include <string>

namespace form {

// Decodes code page 949 bytes (as stored in the POS database) to UTF-8 for display. Bytes that
// are not valid code page 949 become U+FFFD; the function never fails.
std::string Cp949ToUtf8(const std::string& bytes);

// Encodes UTF-8 text as code page 949 bytes (for seeding test and demo databases). Characters
// that code page 949 cannot hold become '?'.
std::string Utf8ToCp949(const std::string& text);

}  // namespace form
