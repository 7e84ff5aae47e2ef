#include "startupmarks.h"

#include <QDateTime>
#include <malloc.h>

Q_LOGGING_CATEGORY(lcStartup, "ferrowick.startup", QtWarningMsg)

void StartupMark(const char* phase, qint64 value)
{
    if (!lcStartup().isDebugEnabled())
        return;
    const qint64 heapKb = qint64(mallinfo2().uordblks / 1024);
    if (value >= 0)
        qCDebug(lcStartup, "startup: %s at %lld ms, heap %lld KB, %lld", phase, QDateTime::currentMSecsSinceEpoch(),
                heapKb, value);
    else
        qCDebug(lcStartup, "startup: %s at %lld ms, heap %lld KB", phase, QDateTime::currentMSecsSinceEpoch(), heapKb);
}
