#include "commandline.h"
#include "quenbyapp.h"

#include "platform/layout/view/layoutwebview.h"
#include "platform/startupmarks.h"
#include "ui/dialogs/productinfo.h"
#include "ui/frame/frameaccessible.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    // First of all: --help and --version need no display and touch no file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CCommandLine commandLine(arguments);
    switch (commandLine.GetAction()) {
    case CCommandLine::ShowHelp:
        std::fputs(qPrintable(CCommandLine::HelpText()), stdout);
        return 0;
    case CCommandLine::ShowVersion:
        std::fputs(qPrintable(CCommandLine::VersionText()), stdout);
        return 0;
    case CCommandLine::Fail:
        std::fprintf(stderr, "%s\n", qPrintable(commandLine.Error()));
        return CCommandLine::kUsageError;
    case CCommandLine::Run:
        break;
    }

    // Before any Qt object: the page's URL scheme must be known to the web
    // engine from the start.
    layout::LayoutWebView::RegisterScheme();
    // On Linux Qt WebEngine hands the page to a screen reader only when asked
    // to; even then it builds the tree only while one listens.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
    // One fixed-size page needs no OpenGL to be composed: drawing it in
    // software keeps the GL driver (tens of megabytes) out of the process.
    // Whoever sets the backend keeps their choice.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND") && !qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        // The page may ask for a full collection once its first document is
        // built: parsing a long list's snapshot leaves tens of megabytes behind.
        if (!flags.contains("--js-flags"))
            flags.append(" --js-flags=--expose-gc");
        // The zygote processes only serve the sandbox; without it the one
        // renderer is started directly, and two processes fewer stay resident.
        const bool unsandboxed =
            qEnvironmentVariableIntValue("QTWEBENGINE_DISABLE_SANDBOX") != 0 || flags.contains("--no-sandbox");
        if (unsandboxed && !flags.contains("zygote"))
            flags.append(" --no-zygote");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    }
    // A hand-over's activation token reaches Qt's Wayland plugin through the
    // environment, while download threads may read it (proxies, the
    // resolver). Adding a variable can move the C library's array of them
    // under such a reader; room made now, while no other thread runs, is
    // what the later additions reuse.
    if (!qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN")) {
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray());
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }
    QCoreApplication::setApplicationName(QStringLiteral("Ferrowick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FERROWICK_VERSION));
    // Docks and Wayland compositors match the window with its desktop entry by this.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(PRODUCT_APP_ID));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Ferrowick needs a graphical desktop: no display was found.\n");
        return 1;
    }

    // The application object reads only Qt's options and the web engine's
    // part, so that no address is ever taken for one of Qt's options.
    QStringList qtArgumentList = commandLine.QtArguments();
    // On X11 the window class's instance name is what the desktop entry's
    // StartupWMClass is matched with: the app id, unless -name says otherwise.
    if (!qtArgumentList.contains(QStringLiteral("-name"))) {
        qtArgumentList.insert(1, QString::fromLatin1(PRODUCT_APP_ID));
        qtArgumentList.insert(1, QStringLiteral("-name"));
    }
    std::vector<QByteArray> qtArguments;
    qtArguments.reserve(size_t(qtArgumentList.size()));
    for (const QString& argument : qtArgumentList)
        qtArguments.push_back(argument.toLocal8Bit());
    std::vector<char*> qtArgv;
    qtArgv.reserve(qtArguments.size() + 1);
    for (QByteArray& argument : qtArguments)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(qtArguments.size());

    InstallFrameAccessibility();
    QApplication app(qtArgc, qtArgv.data());
    StartupMark("application");
    CquenbyApp theApp;
    const QStringList& addresses = commandLine.Addresses();
    // A second copy ends here, before the web engine has started: it hands
    // its addresses to the running copy, and without any it does nothing.
    if (!theApp.TakeInstanceGuard()) {
        if (addresses.isEmpty())
            return theApp.ExitInstance();
        switch (theApp.HandOverOrTakeGuard(addresses)) {
        case CquenbyApp::SecondStart::HandedOver:
            return theApp.ExitInstance();
        case CquenbyApp::SecondStart::Failed:
            std::fprintf(stderr, "Ferrowick is running but did not take the addresses.\n");
            theApp.ExitInstance();
            return 1;
        case CquenbyApp::SecondStart::Running:
            break;  // the other copy has ended: this one runs with its addresses
        }
    }
    theApp.SetStartAddresses(addresses);
    if (!theApp.InitInstance())
        return theApp.ExitInstance();
    app.exec();
    return theApp.ExitInstance();
}
