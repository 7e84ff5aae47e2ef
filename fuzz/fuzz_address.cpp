// Feeds arbitrary text to the address parse, bare and inside the shapes of
// the site's addresses. Beyond memory errors and slow inputs it checks that
// an accepted address yields an id of the id characters, and that the walk
// over the host's labels answers as the host patterns do.

#include "fuzzcheck.h"

#include "engine/patterns.h"
#include "engine/sitetext.h"

#include <QString>
#include <string>

namespace {

bool IsIdCharacter(QChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

void CheckAddress(const QString& address)
{
    QString id = QStringLiteral("unchanged");
    if (!VideoIdOfAddress(address, id)) {
        Check(id == QLatin1String("unchanged"));
        return;
    }
    Check(!id.isEmpty());
    for (QChar c : id)
        Check(IsIdCharacter(c));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The patterns recurse once per label: only short hosts are safe to
    // compare with them.
    if (size <= 2048) {
        for (const char* domain : {"", ".youtube.com", ".ytimg.com"}) {
            const std::string host = bytes + domain;
            Check(IsSiteHost(host) == WholeMatch(host, g_reSiteHost));
            Check(IsThumbHost(host) == WholeMatch(host, g_reThumbHost));
        }
    }
    const QString text = QString::fromUtf8(bytes);
    CheckAddress(text);
    CheckAddress(QStringLiteral("http://") + text);
    CheckAddress(QStringLiteral("http://") + text + QStringLiteral(".youtube.com/watch?v=abc"));
    CheckAddress(QStringLiteral("http://www.youtube.com/") + text);
    CheckAddress(QStringLiteral("http://i.ytimg.com/vi/") + text);
    return 0;
}
