#include "sitetext.h"

#include "patterns.h"

#include "platform/internetdefs.h"
#include "platform/textconv.h"

#include <QRegularExpression>
#include <QUrl>

bool VideoIdOfAddress(const QString& address, QString& videoId)
{
    // Parsed as a browser's address bar does: characters that may not stand
    // in an address (a blank, |, a lone %) are encoded rather than refused,
    // and dot segments are removed, so the patterns see the path the site
    // would be asked for. The id the patterns take stays letters, digits, _ and -.
    const QUrl url = QUrl(address, QUrl::TolerantMode).adjusted(QUrl::NormalizePathSegments);
    if (!url.isValid() || url.isRelative() || url.scheme() != QLatin1String("http") || url.host().isEmpty())
        return false;

    const std::string host = ToUtf8(url.host(QUrl::FullyEncoded));
    QString pathAndQuery = url.path(QUrl::FullyEncoded);
    if (url.hasQuery())
        pathAndQuery += '?' + url.query(QUrl::FullyEncoded);
    const std::string path = ToUtf8(pathAndQuery);

    std::string id;
    if (IsSiteHost(host)) {
        if (!WholeMatch(path, g_reWatchPath, id) && !WholeMatch(path, g_reEmbedPath, id))
            return false;
    } else if (IsThumbHost(host)) {
        if (!WholeMatch(path, g_reThumbPath, id))
            return false;
    } else {
        return false;
    }
    if (id.empty())
        return false;
    videoId = FromUtf8(id);
    return true;
}

void ScrapeWatchPage(const std::string& body, QString& title, QString& token)
{
    std::string group;
    if (Search(body, g_reTitle, group))
        title = FromUtf8(group);
    if (Search(body, g_rePageToken, group))
        token = FromUtf8(group);
}

QString TokenOfLocation(const QString& location)
{
    std::string group;
    return Search(ToUtf8(location), g_reLocationToken, group) ? FromUtf8(group) : QString();
}

bool ContinuesAt(uint32_t status, const QString& contentRange, const QString* contentLength, int64_t from,
                 int64_t length)
{
    if (status != HTTP_STATUS_PARTIAL_CONTENT)
        return false;
    static const QRegularExpression range(QStringLiteral("^bytes\\s+(\\d{1,18})-(\\d{1,18})/(\\d{1,18})$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = range.match(contentRange.trimmed());
    if (!m.hasMatch() || m.captured(1).toLongLong() != from || m.captured(2).toLongLong() != length - 1 ||
        m.captured(3).toLongLong() != length)
        return false;
    return !contentLength || contentLength->trimmed().toLongLong() == length - from;
}
