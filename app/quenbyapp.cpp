#include "quenbyapp.h"

#include "ui/frame/mainframe.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnExitSignal(int signo)
{
    const char byte = char(signo);
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

CquenbyApp::~CquenbyApp() = default;

bool CquenbyApp::TakeInstanceGuard()
{
    // An abstract socket name is taken atomically and freed by the kernel
    // when the process ends, however it ends.
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(QString::fromLatin1(kInstanceName)))
        return false;
    m_hInstanceEvent = std::move(server);
    return true;
}

bool CquenbyApp::InitInstance()
{
    if (!m_hInstanceEvent && !TakeInstanceGuard())
        return false;
    QApplication::setQuitOnLastWindowClosed(false);

    auto* frame = new CMainFrame;  // deletes itself when its window is destroyed
    QObject::connect(frame, &QObject::destroyed, qApp, [] { QCoreApplication::exit(0); });
    frame->Create(true);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frame->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        frame->move(r.topLeft());
    }
    frame->show();
    frame->repaint();
    WatchExitSignals(frame);
    return true;
}

void CquenbyApp::WatchExitSignals(CMainFrame* frame)
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_signalNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QPointer<CMainFrame> target(frame);
    QObject::connect(m_signalNotifier.get(), &QSocketNotifier::activated, [target] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (target)
            target->ExitAfterStopping();
    });
    struct sigaction action {};
    action.sa_handler = &OnExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signo, &action, nullptr);
}

int CquenbyApp::ExitInstance()
{
    m_signalNotifier.reset();
    m_hInstanceEvent.reset();
    return 0;
}
