#include "shellopen.h"

#include <QDesktopServices>

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
    // Qt hands the URL to the desktop's opener as one argument; no shell sees it.
    QDesktopServices::openUrl(url);
}
