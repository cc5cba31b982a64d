#include "form/Cp949.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace form {
namespace {

#ifdef _WIN32

// Windows has no iconv: the system's own conversions with code page 949, behaving like the
// iconv version (an undecodable byte becomes one replacement and decoding goes on after it).
constexpr UINT kCp949 = 949;

// UTF-16 of `size` bytes in `page`; false when they are not valid there.
bool ToWide(UINT page, const char* bytes, int size, std::wstring& wide) {
    const int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<size_t>(length));
    MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes, size, wide.data(), length);
    return true;
}

std::string FromWide(UINT page, const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    // Code page 949 gets '?' for what it cannot hold, never a look-alike character.
    const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = page == CP_UTF8 ? nullptr : "?";
    const int length =
        WideCharToMultiByte(page, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
    if (length <= 0) return {};
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(page, flags, wide.data(), size, out.data(), length, fallback, nullptr);
    return out;
}

#else

// Converts with iconv, replacing every sequence the source encoding rejects by `replacement`.
std::string Convert(const char* to, const char* from, const std::string& in,
                    const std::string& replacement) {
    const bool skipContinuations = std::string(from) == "UTF-8";
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
            // EILSEQ or EINVAL (truncated at the end): skip one byte of input; from UTF-8 the
            // rest of its character too, so that one character gets one replacement.
            out += replacement;
            ++src;
            --srcLeft;
            while (skipContinuations && srcLeft > 0 &&
                   (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
                ++src;
                --srcLeft;
            }
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

#endif

}  // namespace

#ifdef _WIN32

std::string Cp949ToUtf8(const std::string& bytes) {
    std::wstring wide;
    if (bytes.empty() || ToWide(kCp949, bytes.data(), static_cast<int>(bytes.size()), wide)) {
        return FromWide(CP_UTF8, wide);
    }
    // Character by character: a two-byte character, else one byte, else one replacement.
    std::wstring decoded, one;
    for (size_t i = 0; i < bytes.size();) {
        if (i + 1 < bytes.size() && ToWide(kCp949, bytes.data() + i, 2, one) && one.size() == 1) {
            decoded += one;
            i += 2;
        } else if (ToWide(kCp949, bytes.data() + i, 1, one)) {
            decoded += one;
            i += 1;
        } else {
            decoded += L'\xFFFD';
            i += 1;
        }
    }
    return FromWide(CP_UTF8, decoded);
}

std::string Utf8ToCp949(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide;
    if (!ToWide(CP_UTF8, text.data(), size, wide)) {
        // Invalid UTF-8: its bytes become U+FFFD, which code page 949 holds as '?'.
        const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
        wide.resize(static_cast<size_t>(length > 0 ? length : 0));
        if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    }
    return FromWide(kCp949, wide);
}

#else

std::string Cp949ToUtf8(const std::string& bytes) {
    return Convert("UTF-8", "CP949", bytes, "\xEF\xBF\xBD");
}

std::string Utf8ToCp949(const std::string& text) {
    return Convert("CP949", "UTF-8", text, "?");
}

#endif

}  // namespace form
