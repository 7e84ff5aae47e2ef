#include "statustext.h"

namespace {

// The figure after the point is the first decimal of r/1024, truncated
// (r*10/1024): 0..9, and 0 for a remainder of 0.
int FractionFigure(int64_t r)
{
    return int(r * 10 / 1024);
}

QString UnitText(int64_t whole, int64_t remainder, const char* unit)
{
    return QStringLiteral("%1.%2 %3").arg(whole).arg(FractionFigure(remainder)).arg(QLatin1String(unit));
}

const QString kUncompleted = QStringLiteral(" - <span class=\"error\">Uncompleted</span>");

QString SizesThen(const DownloaderInfo& info, const char* errorText)
{
    return QStringLiteral("%1 / %2 - <span class=\"error\">%3</span>")
        .arg(FormatSize(info.completed), FormatSize(info.length), QLatin1String(errorText));
}

QString ErrorOnly(const char* errorText)
{
    return QStringLiteral("<span class=\"error\">%1</span>").arg(QLatin1String(errorText));
}

QString FinishedText(const DownloaderInfo& info)
{
    switch (info.error) {
    case DE_NONE:
        return info.length != 0 ? FormatSize(info.length) : QStringLiteral("Unknown file size");
    case DE_STOPPED:
        if (info.length != 0)
            return FormatSize(info.completed) + QStringLiteral(" / ") + FormatSize(info.length) + kUncompleted;
        return QStringLiteral("Unknown file size") + kUncompleted;
    case DE_PARSE:
        return ErrorOnly("Parsing Error!");
    case DE_INTERNET:
        return info.length > 0 ? SizesThen(info, "Internet Error!") : ErrorOnly("Internet Error!");
    case DE_FILE:
        return info.length > 0 ? SizesThen(info, "File IO Error!") : ErrorOnly("File IO Error!");
    case DE_FRAMEWORK:
    case DE_UNKNOWN:
        return info.length > 0 ? SizesThen(info, "Unknown Error!") : ErrorOnly("Unknown Error!");
    default:
        return QString();
    }
}

QString RunningText(const DownloaderInfo& info, uint32_t now)
{
    if (info.state == DS_QUEUED)
        return QStringLiteral("Queued");
    const uint32_t elapsed = now - info.starttick;  // wraps like the tick counter
    if (info.starttick == 0 || elapsed == 0) {
        switch (info.state) {
        case DS_THUMBNAIL:
            return QStringLiteral("Downloading Thumbnail...");
        case DS_PARSING:
            return QStringLiteral("Parsing Title...");
        default:
            return QStringLiteral("Parsing...");
        }
    }
    if (info.length <= 0)
        return QString();
    if (info.completed <= 0)
        return QStringLiteral("0 KB / %1 ").arg(FormatSize(info.length));
    // Whole bytes per millisecond first, then scaled: the rate is a multiple
    // of 1000. Only this run's bytes count: those a resumed run found on
    // disk came earlier.
    const int64_t thisRun = info.completed - info.resumed;
    const uint64_t perMs = thisRun > 0 ? uint64_t(thisRun) / elapsed : 0u;
    const int64_t rate = int64_t(perMs * 1000u);
    if (rate <= 0)
        return QStringLiteral("%1 / %2 ").arg(FormatSize(info.completed), FormatSize(info.length));
    const int64_t left = (info.length - info.completed) / rate;
    return QStringLiteral("%1 / %2  (%3/s)  -  %4 Left ")
        .arg(FormatSize(info.completed), FormatSize(info.length), FormatSize(rate), FormatDuration(left));
}

}  // namespace

QString FormatSize(int64_t n)
{
    if (n < 1024)
        return QStringLiteral("%1 Bytes").arg(n);
    const int64_t k = n / 1024;
    if (k < 1024)
        return UnitText(k, n % 1024, "KB");
    const int64_t m = k / 1024;
    if (m < 1024)
        return UnitText(m, k % 1024, "MB");
    return UnitText(m / 1024, m % 1024, "GB");
}

QString FormatDuration(int64_t s)
{
    if (s < 60)
        return QStringLiteral("%1 Sec").arg(s);
    const int64_t m = s / 60;
    const int64_t r = s % 60;
    if (m < 60)
        return QStringLiteral("%1 Min %2 Sec").arg(m).arg(r);
    const int64_t h = s / 3600;
    const int64_t mm = m % 60;
    if (h <= 24)
        return QStringLiteral("%1 Hr %2 Min %3 Sec").arg(h).arg(mm).arg(r);
    return QStringLiteral("%1 Day %2 Hr %3 Min %4 Sec").arg(h / 24).arg(h % 24).arg(mm).arg(r);
}

QString StatusText(const DownloaderInfo& info, uint32_t now)
{
    return info.state == DS_DONE ? FinishedText(info) : RunningText(info, now);
}
