// Feeds arbitrary text as the embed redirect's Location: the token it gives
// is made of the token characters only.

#include "fuzzcheck.h"

#include "engine/sitetext.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString token = TokenOfLocation(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (QChar c : token)
        Check((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-');
    return 0;
}
