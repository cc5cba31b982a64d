#include "db/SqlQuote.h"

namespace db {

std::string SqlQuote(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '\'';
    for (char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    quoted += '\'';
    return quoted;
}

}  // namespace db
