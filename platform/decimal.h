#pragma once

#include <QString>
#include <cstdint>

// The decimal reading of app.xml numbers: leading white space, an optional
// sign, then digits up to the first non-digit; no digits gives 0. A value
// outside 32 bits is clamped to INT32_MIN / INT32_MAX, as strtol clamps to
// its own range before the int conversion would.
int32_t ParseDecimal(const QString& text);
