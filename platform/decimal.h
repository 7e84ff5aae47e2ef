#pragma once

#include <QString>
#include <cstdint>

// The decimal reading of app.xml numbers and header values: leading white
// space, an optional sign, then digits up to the first non-digit; no digits
// gives 0. A value outside the result's range is clamped to its limits, as
// strtol clamps to its own range.
int32_t ParseDecimal(const QString& text);
// The same over 64 bits, for byte counts: videos pass 2 GiB.
int64_t ParseDecimal64(const QString& text);
