#pragma once

#include <QString>
#include <string>

// Wide text <-> UTF-8. Both stop at the first zero character; invalid input
// is replaced (U+FFFD / '?'), and a conversion that cannot be done at all
// yields empty text. No shared state: safe on any thread.
std::string ToUtf8(const QString& text);
QString FromUtf8(const std::string& bytes);
QString FromUtf8(const char* bytes);
