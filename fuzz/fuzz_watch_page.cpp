// Feeds arbitrary bytes as a watch page: the title and token scrape, then
// the file title and the file names made of it. Beyond memory errors and
// slow inputs it checks that the linear file-name rule answers as its
// pattern does, and that every file name is one a Linux folder takes.

#include "fuzzcheck.h"

#include "engine/patterns.h"
#include "engine/sitetext.h"
#include "engine/videofilename.h"

#include <QString>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data), size);
    // The pattern's replacement is quadratic: compare on short texts only.
    if (size <= 4096)
        Check(ReplaceFileNameCharacters(body) == ReplaceFileNameCharactersByPattern(body));

    QString title;
    QString token;
    ScrapeWatchPage(body, title, token);
    if (!token.isEmpty())
        Check(!token.contains(QLatin1Char('"')));

    // The scraped title, or the whole page when it names none: a title can be anything.
    const QString fileTitle = FileTitleOf(title.isEmpty() ? QString::fromUtf8(body) : title, QStringLiteral("id"));
    Check(fileTitle.size() <= 2 * kMaxTitleCharacters);
    for (int number : {1, 2, 9999}) {
        const QString name = VideoFileName(fileTitle, number, QStringLiteral("mp4"));
        const QByteArray native = name.toUtf8();
        Check(native.size() <= kMaxFileNameBytes && !native.contains('/') && !native.contains('\0'));
        Check(name.endsWith(QLatin1String(".mp4")) && QString::fromUtf8(native) == name);
        Check(VideoFileNumber(name, fileTitle, QStringLiteral("mp4")) == number);
    }
    return 0;
}
