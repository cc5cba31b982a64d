#pragma once

#include <string>
#include <vector>

namespace db {

// Replaces every parameter marker of a query text with "?", the form the server expects.
//
// Left to right: a single- or double-quoted run is a literal (a doubled quote inside stands
// for itself), "/*" to "*/" is a comment; outside both, ":" and "?" begin a marker whose name
// follows directly (letters, digits, "_", "$", or any text in double quotes). The name is
// dropped from the text; the character after it stays. Names are appended to *names when given.
//
// Throws DbError "SQL Parse Error:\r\n\r\n" followed by "Parameter name expected",
// "EOF in string detected" or "EOF in comment detected".
std::string ReplaceParameterMarkers(const std::string& sql,
                                    std::vector<std::string>* names = nullptr);

}  // namespace db
