#include "quenbyapp.h"

#include "platform/layout/view/layoutwebview.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Before any Qt object: the page's URL scheme must be known to the web
    // engine from the start.
    layout::LayoutWebView::RegisterScheme();
    QCoreApplication::setApplicationName(QStringLiteral("Ferrowick"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Ferrowick needs a graphical desktop: no display was found.\n");
        return 1;
    }

    QApplication app(argc, argv);
    CquenbyApp theApp;
    // A second copy ends here, before the web engine has started.
    if (!theApp.TakeInstanceGuard())
        return theApp.ExitInstance();
    if (!theApp.InitInstance())
        return theApp.ExitInstance();
    app.exec();
    return theApp.ExitInstance();
}
