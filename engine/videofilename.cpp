#include "videofilename.h"

#include "patterns.h"

#include "platform/textconv.h"

QString FileTitleOf(const QString& title, const QString& videoId)
{
    if (title.trimmed().isEmpty())
        return QStringLiteral("Unknown-%1").arg(videoId);
    const QString fileTitle = FromUtf8(ReplaceFileNameCharacters(ToUtf8(title))).trimmed();
    return CutToCharacters(fileTitle, kMaxTitleCharacters).trimmed();
}

QString CutToUtf8Bytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const char16_t c = text[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode());
        // A lone surrogate is written as U+FFFD, three bytes.
        const int size = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return i == n ? text : text.left(i);
}

QString CutToCharacters(const QString& text, int maxCharacters)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    for (int count = 0; i < n && count < maxCharacters; ++count)
        i += QChar::isHighSurrogate(text[i].unicode()) && i + 1 < n && text[i + 1].isLowSurrogate() ? 2 : 1;
    return i == n ? text : text.left(i);
}

QString VideoFileName(const QString& fileTitle, int number, const QString& extension)
{
    const QString tail = (number > 1 ? QStringLiteral(" (%1)").arg(number) : QString()) + QLatin1Char('.') + extension;
    const int room = kMaxFileNameBytes - int(tail.toUtf8().size());
    QString title = CutToUtf8Bytes(fileTitle, room);
    if (title.size() < fileTitle.size()) {
        while (!title.isEmpty() && title.back().isSpace())
            title.chop(1);  // a cut never leaves a blank before the extension
    }
    return title + tail;
}

int VideoFileNumber(const QString& name, const QString& fileTitle, const QString& extension)
{
    if (name == VideoFileName(fileTitle, 1, extension))
        return 1;
    // "... (n).EXT": the number is read back, then the whole name checked.
    const QString tail = QStringLiteral(").") + extension;
    if (!name.endsWith(tail))
        return 0;
    const qsizetype open = name.lastIndexOf(QStringLiteral(" ("), name.size() - tail.size());
    if (open < 0)
        return 0;
    bool ok = false;
    const int number = name.mid(open + 2, name.size() - tail.size() - open - 2).toInt(&ok);
    return ok && number > 1 && name == VideoFileName(fileTitle, number, extension) ? number : 0;
}
