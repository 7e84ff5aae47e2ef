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
    const QStringList addresses = CquenbyApp::AddressesFromArguments(QCoreApplication::arguments());
    // A second copy ends here, before the web engine has started: it hands
    // its addresses to the running copy, and without any it does nothing.
    if (!theApp.TakeInstanceGuard()) {
        if (addresses.isEmpty() || CquenbyApp::HandOver(addresses))
            return theApp.ExitInstance();
        // Taken by nobody: the running copy may have ended meanwhile.
        if (!theApp.TakeInstanceGuard()) {
            std::fprintf(stderr, "Ferrowick is running but did not take the addresses.\n");
            return theApp.ExitInstance();
        }
    }
    theApp.SetStartAddresses(addresses);
    if (!theApp.InitInstance())
        return theApp.ExitInstance();
    app.exec();
    return theApp.ExitInstance();
}
