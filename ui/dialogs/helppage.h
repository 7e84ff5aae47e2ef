#pragma once

#include <QString>
#include <QUrl>

// The help page as a local file URL: <appdir>/help/ferrowick-help.html when
// the program runs from its build folder, else the installed copy under
// <appdir>/../share/ferrowick/help/. When neither exists the URL names the
// first, so the desktop's error says which file is missing.
QUrl HelpPageUrl();
QUrl HelpPageUrl(const QString& appDir);
