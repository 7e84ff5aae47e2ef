#include "decimal.h"

#include <algorithm>
#include <limits>

int32_t ParseDecimal(const QString& text)
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
    const int64_t limit =
        negative ? -int64_t(std::numeric_limits<int32_t>::min()) : int64_t(std::numeric_limits<int32_t>::max());
    int64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < '0' || c > '9')
            break;
        if (value < limit)
            value = std::min(limit, value * 10 + (c - '0'));
    }
    return int32_t(negative ? -value : value);
}
