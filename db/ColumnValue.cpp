#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/DbError.h"
#include "db/DbInternal.h"

namespace db {

namespace {

template <typename T>
T Load(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Text up to its first zero byte.
std::string TextUpToZero(const char* data, std::size_t length) {
    const void* zero = std::memchr(data, 0, length);
    if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
    return std::string(data, length);
}

std::int64_t IntegerValue(const Column& column, const char* data) {
    switch (column.type) {
        case SQL_SHORT:
            return Load<std::int16_t>(data);
        case SQL_LONG:
            return Load<std::int32_t>(data);
        default:
            return Load<std::int64_t>(data);
    }
}

std::string DecimalText(std::int64_t value, int scale) {
    char digits[32];
    // Digits of the magnitude; unsigned so that the lowest 64-bit value is handled too.
    std::uint64_t magnitude =
        value < 0 ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value)
                  : static_cast<std::uint64_t>(value);
    std::snprintf(digits, sizeof digits, "%" PRIu64, magnitude);
    std::string text(digits);
    if (scale < 0) {
        const std::size_t places = static_cast<std::size_t>(-scale);
        if (text.size() <= places) text.insert(0, places - text.size() + 1, '0');
        text.insert(text.size() - places, ".");
    }
    if (value < 0) text.insert(0, "-");
    return text;
}

std::int32_t Low32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

std::int64_t PowerOfTen(int exponent) {
    std::int64_t result = 1;
    while (exponent-- > 0) result *= 10;
    return result;
}

}  // namespace

bool ColumnIsNull(const Column& column, const char* row) {
    return Load<short>(row + column.nullOffset) == -1;
}

std::string ColumnText(const Column& column, const char* row) {
    if (ColumnIsNull(column, row)) return {};
    const char* data = row + column.offset;
    switch (column.type) {
        case SQL_TEXT:
            // CHAR keeps the blanks that fill it to the declared length.
            return TextUpToZero(data, static_cast<unsigned short>(column.length));
        case SQL_VARYING: {
            std::size_t length = Load<unsigned short>(data);
            const std::size_t capacity = static_cast<unsigned short>(column.length);
            if (length > capacity) length = capacity;
            return TextUpToZero(data + 2, length);
        }
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            return DecimalText(IntegerValue(column, data), column.scale);
        default:
            throw DbError("Field '" + column.name + "' cannot be read as text");
    }
}

std::string ColumnBytes(const Column& column, const char* row) {
    if (ColumnIsNull(column, row)) return {};
    const char* data = row + column.offset;
    const std::size_t capacity = static_cast<unsigned short>(column.length);
    switch (column.type) {
        case SQL_TEXT:
            return std::string(data, capacity);
        case SQL_VARYING:
            return std::string(data + 2,
                               std::min<std::size_t>(Load<unsigned short>(data), capacity));
        default:
            throw DbError("Field '" + column.name + "' cannot be read as bytes");
    }
}

std::int32_t ColumnInt(const Column& column, const char* row) {
    if (ColumnIsNull(column, row)) return 0;
    const char* data = row + column.offset;
    switch (column.type) {
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64: {
            std::int64_t value = IntegerValue(column, data);
            if (column.scale < 0) value /= PowerOfTen(-column.scale);
            return Low32(value);
        }
        case SQL_TEXT:
        case SQL_VARYING: {
            const std::string text = ColumnText(column, row);
            const char* begin = text.c_str();
            while (*begin == ' ') ++begin;
            char* end = nullptr;
            errno = 0;
            const long long value = std::strtoll(begin, &end, 10);
            while (end && *end == ' ') ++end;
            if (end == begin || !end || *end != '\0' || errno == ERANGE || value < INT32_MIN ||
                value > INT32_MAX)
                throw DbError("'" + text + "' is not a valid integer value");
            return static_cast<std::int32_t>(value);
        }
        default:
            throw DbError("Field '" + column.name + "' cannot be read as an integer");
    }
}

}  // namespace db
