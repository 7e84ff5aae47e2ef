#include "quenbyapp.h"

#include "handoverserver.h"

#include "ui/frame/appservice.h"
#include "ui/frame/mainframe.h"

#include <QApplication>
#include <QDBusConnection>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnExitSignal(int signo)
{
    const char byte = char(signo);
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// How long a second start waits for the running copy at each step of one
// hand-over before it tries again.
constexpr int kHandOverWaitMs = 3000;
constexpr int kHandOverRetryMs = 250;

}  // namespace

CquenbyApp::CquenbyApp() = default;
CquenbyApp::~CquenbyApp() = default;

QString CquenbyApp::InstanceName()
{
    // The folder is made first so that every spelling of it (a link, "..")
    // comes to the same canonical path.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    const QString canonical = QFileInfo(data).canonicalFilePath();
    const QByteArray key =
        QByteArray::number(::getuid()) + '\0' + (canonical.isEmpty() ? QDir::cleanPath(data) : canonical).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
    return QString::fromLatin1(kInstanceName) + u'-' + QString::fromLatin1(hash);
}

bool CquenbyApp::TakeInstanceGuard()
{
    auto server = std::make_unique<HandOverServer>();
    if (!server->Listen(InstanceName()))
        return false;
    m_hInstanceEvent = std::move(server);
    return true;
}

CquenbyApp::SecondStart CquenbyApp::HandOverOrTakeGuard(const QStringList& addresses)
{
    QElapsedTimer waited;
    waited.start();
    const QString name = InstanceName();
    // The launcher's leave for the running copy to come forward.
    QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty())
        token = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    for (;;) {
        const int left = int(kSecondStartWaitMs - waited.elapsed());
        if (HandOverServer::Send(name, addresses, token, std::clamp(left, 1, kHandOverWaitMs)))
            return SecondStart::HandedOver;
        if (TakeInstanceGuard())
            return SecondStart::Running;
        if (waited.elapsed() >= kSecondStartWaitMs)
            return SecondStart::Failed;
        QThread::msleep(kHandOverRetryMs);
    }
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
    TakeHandedAddresses(frame);
    // Once the window is there to take what Open brings; without a session
    // bus the socket is the only way in.
    m_appService = std::make_unique<CApplicationService>(frame);
    m_appService->Serve(QDBusConnection::sessionBus());
    frame->AddAddresses(m_startAddresses);
    return true;
}

void CquenbyApp::TakeHandedAddresses(CMainFrame* frame)
{
    QPointer<CMainFrame> target(frame);
    m_hInstanceEvent->SetTaker([target](const QStringList& addresses, const QString& activationToken) {
        // A window in its exit wait takes nothing more: the sender waits
        // for this copy to end and starts in its place.
        if (!target || !target->AddAddresses(addresses))
            return false;
        target->BringForward(activationToken);
        return true;
    });
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
    // The name before the guard: the copy that takes the guard next asks for it.
    m_appService.reset();
    m_hInstanceEvent.reset();
    return 0;
}
