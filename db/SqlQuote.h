#pragma once

#include <string>

namespace db {

// Writes a value as an SQL string literal: every single quote doubled, the whole enclosed in
// single quotes. Bytes pass unchanged, so code page 949 text keeps its bytes.
std::string SqlQuote(const std::string& text);

}  // namespace db
