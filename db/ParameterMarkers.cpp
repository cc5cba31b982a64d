#include "db/ParameterMarkers.h"

#include "db/DbError.h"

namespace db {

namespace {

[[noreturn]] void ParseError(const char* what) {
    throw DbError(std::string("SQL Parse Error:\r\n\r\n") + what);
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

// Index just past the quote that closes the run opened at `open`; doubled quotes stay inside.
std::size_t EndOfQuoted(const std::string& sql, std::size_t open) {
    const char quote = sql[open];
    std::size_t i = open + 1;
    for (;;) {
        if (i >= sql.size()) ParseError("EOF in string detected");
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
}

}  // namespace

std::string ReplaceParameterMarkers(const std::string& sql, std::vector<std::string>* names) {
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    const std::size_t n = sql.size();
    while (i < n) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = EndOfQuoted(sql, i);
            out.append(sql, i, end - i);
            i = end;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t close = sql.find("*/", i + 2);
            if (close == std::string::npos) ParseError("EOF in comment detected");
            out.append(sql, i, close + 2 - i);
            i = close + 2;
        } else if (c == ':' || c == '?') {
            out += '?';
            ++i;
            std::string name;
            if (i < n && sql[i] == '"') {
                const std::size_t end = EndOfQuoted(sql, i);
                name = sql.substr(i + 1, end - i - 2);
                i = end;
            } else {
                const std::size_t start = i;
                while (i < n && IsNameChar(sql[i])) ++i;
                if (i == start) ParseError("Parameter name expected");
                name = sql.substr(start, i - start);
            }
            if (names) names->push_back(name);
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace db
