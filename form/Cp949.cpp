#include "form/Cp949.h"

#include <iconv.h>

#include <cerrno>

namespace form {
namespace {

// Converts with iconv, replacing every sequence the source encoding rejects by `replacement`.
std::string Convert(const char* to, const char* from, const std::string& in,
                    const std::string& replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return in;
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated at the end): skip one byte of input.
            out += replacement;
            ++src;
            --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Cp949ToUtf8(const std::string& bytes) {
    return Convert("UTF-8", "CP949", bytes, "\xEF\xBF\xBD");
}

std::string Utf8ToCp949(const std::string& text) {
    return Convert("CP949", "UTF-8", text, "?");
}

}  // namespace form
