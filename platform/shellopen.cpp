#include "shellopen.h"

#include <QDesktopServices>
#include <QFile>

namespace {

std::function<void(const QUrl&)>& Hook()
{
    static std::function<void(const QUrl&)> hook;
    return hook;
}

}  // namespace

void SetShellOpenHook(std::function<void(const QUrl&)> hook)
{
    Hook() = std::move(hook);
}

void ShellOpen(const QUrl& url)
{
    if (const auto& hook = Hook()) {
        hook(url);
        return;
    }
    const QByteArray log = qgetenv("FERROWICK_OPEN_LOG");
    if (!log.isEmpty()) {
        // Fully encoded, a URL holds no line break, so each one stays on its line.
        QFile file(QFile::decodeName(log));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(url.toString(QUrl::FullyEncoded).toUtf8() + '\n');
        return;
    }
    // Qt hands the URL to the desktop's opener as one argument; no shell sees it.
    QDesktopServices::openUrl(url);
}
