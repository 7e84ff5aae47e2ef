#include "layoutwebpage.h"

namespace layout {

LayoutWebPage::LayoutWebPage(QObject* parent) : QWebEnginePage(parent)
{
}

QUrl LayoutWebPage::ShellUrl()
{
    return QUrl(QStringLiteral("ferrowick://view/shell.html"));
}

bool LayoutWebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame)
{
    // Loading and reloading the shell; no frames, no other document.
    return isMainFrame && url.adjusted(QUrl::RemoveFragment) == ShellUrl();
}

}  // namespace layout
