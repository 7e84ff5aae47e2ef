#include "decimal.h"

#include <limits>

namespace {

template <typename T>
T Parse(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    // C's isspace set, not Unicode's: the reading is the C library's.
    while (i < n) {
        const char16_t c = text[i].unicode();
        if (c != ' ' && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r')
            break;
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Counted in the unsigned type, whose range holds the magnitude of both limits.
    using U = std::make_unsigned_t<T>;
    const U limit = negative ? U(std::numeric_limits<T>::max()) + 1u : U(std::numeric_limits<T>::max());
    U value = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < '0' || c > '9')
            break;
        const U digit = U(c - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (!negative)
        return T(value);
    return value == U(std::numeric_limits<T>::max()) + 1u ? std::numeric_limits<T>::min() : -T(value);
}

}  // namespace

int32_t ParseDecimal(const QString& text)
{
    return Parse<int32_t>(text);
}

int64_t ParseDecimal64(const QString& text)
{
    return Parse<int64_t>(text);
}
