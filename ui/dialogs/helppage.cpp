#include "helppage.h"

#include "productinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QUrl HelpPageUrl()
{
    return HelpPageUrl(QCoreApplication::applicationDirPath());
}

QUrl HelpPageUrl(const QString& appDir)
{
    const QString file = QString::fromLatin1(PRODUCT_HELP_FILE);
    const QDir dir(appDir);
    const QString beside = QDir::cleanPath(dir.filePath(QStringLiteral("help/") + file));
    const QString installed = QDir::cleanPath(dir.filePath(QStringLiteral("../share/ferrowick/help/") + file));
    const bool useInstalled = !QFileInfo(beside).isFile() && QFileInfo(installed).isFile();
    return QUrl::fromLocalFile(useInstalled ? installed : beside);
}
