#include "quenbyapp.h"

#include "ui/frame/mainframe.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnExitSignal(int signo)
{
    const char byte = char(signo);
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// What one hand-over may carry; anything longer is not a list of addresses.
constexpr qint64 kMaxHandOverBytes = 1 << 20;
// A later start sends its addresses at once and goes; a connection that is
// still open after this long is no hand-over and is closed.
constexpr int kHandOverTimeoutMs = 5000;
// Hand-overs open at once; more are refused, so that no local client can
// make this copy hold descriptors without end.
constexpr int kMaxOpenHandOvers = 16;
// How long a second start waits for the running copy at each step of the
// hand-over before it gives up and starts on its own.
constexpr int kHandOverWaitMs = 3000;

// An abstract socket name is open to every user of the machine: only a
// peer of this user may hand addresses over, or be handed them.
bool SameUser(const QLocalSocket& socket)
{
    ucred cred{};
    socklen_t size = sizeof cred;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 &&
           cred.uid == ::getuid();
}

}  // namespace

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
    // An abstract socket name is taken atomically and freed by the kernel
    // when the process ends, however it ends.
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(InstanceName()))
        return false;
    m_hInstanceEvent = std::move(server);
    return true;
}

bool CquenbyApp::HandOver(const QStringList& addresses)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(InstanceName());
    if (!socket.waitForConnected(kHandOverWaitMs) || !SameUser(socket))
        return false;
    // Each address in UTF-8 and ended by a NUL, which no argument holds.
    QByteArray bytes;
    for (const QString& address : addresses)
        bytes += address.toUtf8() + '\0';
    if (bytes.size() > kMaxHandOverBytes)
        return false;
    socket.write(bytes);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kHandOverWaitMs))
            return false;
    socket.disconnectFromServer();
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
    TakeHandedAddresses(frame);
    frame->AddAddresses(m_startAddresses);
    return true;
}

void CquenbyApp::TakeHandedAddresses(CMainFrame* frame)
{
    QLocalServer* server = m_hInstanceEvent.get();
    QPointer<CMainFrame> target(frame);
    auto open = std::make_shared<int>(0);
    QObject::connect(server, &QLocalServer::newConnection, server, [server, target, open] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            if (*open >= kMaxOpenHandOvers || !SameUser(*socket)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            // Counted until the socket is gone; abort() has closed its descriptor by then.
            ++*open;
            QObject::connect(socket, &QObject::destroyed, [open] { --*open; });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kHandOverTimeoutMs, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            auto buffer = std::make_shared<QByteArray>();
            auto total = std::make_shared<qint64>(0);
            const auto read = [socket, buffer, total, target] {
                const QByteArray bytes = socket->readAll();
                *total += bytes.size();
                if (*total > kMaxHandOverBytes) {
                    socket->abort();
                    socket->deleteLater();
                    return;
                }
                buffer->append(bytes);
                // Only whole addresses count: one cut short by a dying
                // sender never reaches the list.
                QStringList addresses;
                for (qsizetype end; (end = buffer->indexOf('\0')) >= 0; buffer->remove(0, end + 1))
                    addresses << QString::fromUtf8(buffer->left(end));
                if (addresses.isEmpty() || !target || !target->isVisible())
                    return;  // a window in its exit wait takes nothing more
                if (target->isMinimized())
                    target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
                target->raise();
                target->activateWindow();
                target->AddAddresses(addresses);
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
            if (socket->bytesAvailable() > 0)
                read();
        }
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
    m_hInstanceEvent.reset();
    return 0;
}
