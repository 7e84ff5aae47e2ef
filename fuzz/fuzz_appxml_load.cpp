// Feeds arbitrary bytes to the app.xml record parse. Beyond memory errors it
// checks what the parse promises: ids are trimmed and never empty, and what
// was read writes and reads back unchanged.

#include "store/appxml.h"

#include "fuzzcheck.h"

namespace {

// Text made only of white space is no text to the reader, so it cannot
// survive a trip through the file.
QString Norm(const QString& s)
{
    for (QChar c : s)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return s;
    return QString();
}

bool Same(const appxml::ItemRecord& a, const appxml::ItemRecord& b)
{
    return a.id == b.id && Norm(a.title) == Norm(b.title) && Norm(a.videopath) == Norm(b.videopath) &&
           Norm(a.thumbpath) == Norm(b.thumbpath) && Norm(a.imagepath) == Norm(b.imagepath) && a.length == b.length &&
           a.completed == b.completed && a.error == b.error;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    appxml::Document first;
    first.settings.videoFolder = QStringLiteral("/default/video");
    first.settings.tempFolder = QStringLiteral("/default/temp");
    appxml::Parse(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), first);
    for (const appxml::ItemRecord& r : first.items)
        Check(!r.id.isEmpty() && r.id == r.id.trimmed());

    appxml::Document second;
    Check(appxml::Parse(appxml::Serialize(first.settings, first.items), second));
    Check(Norm(second.settings.videoFolder) == Norm(first.settings.videoFolder));
    Check(Norm(second.settings.tempFolder) == Norm(first.settings.tempFolder));
    Check(second.settings.downloadLimit == first.settings.downloadLimit &&
          second.settings.rateLimitKiB == first.settings.rateLimitKiB);
    Check(first.items.size() == second.items.size());
    for (size_t i = 0; i < first.items.size(); ++i)
        Check(Same(first.items[i], second.items[i]));
    return 0;
}
