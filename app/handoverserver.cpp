#include "handoverserver.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The answer of a running copy that took the addresses.
constexpr char kTaken = '\x06';

// An abstract socket name is open to every user of the machine: only a
// peer of this user may hand addresses over, or be handed them.
bool SameUser(const QLocalSocket& socket)
{
    ucred cred{};
    socklen_t size = sizeof cred;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 &&
           cred.uid == ::getuid();
}

qint64 NowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

}  // namespace

struct HandOverServer::Connection {
    QLocalSocket* socket = nullptr;  // the server's child, deleted later
    QByteArray buffer;
    qint64 lastActivityMs = 0;
    bool answered = false;
    bool waitingForToken = false;
    QStringList addresses;
};

HandOverServer::HandOverServer() : m_context(std::make_unique<QObject>())
{
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::Listen(const QString& name)
{
    // An abstract socket name is taken atomically and freed by the kernel
    // when the process ends, however it ends.
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(name))
        return false;
    m_server = std::move(server);
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_context.get(), [this] { Accept(); });
    return true;
}

void HandOverServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!SameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (int(m_open.size()) >= kMaxOpen) {
            const auto idlest = std::min_element(m_open.begin(), m_open.end(), [](const auto& a, const auto& b) {
                return a->lastActivityMs < b->lastActivityMs;
            });
            Drop((*idlest)->socket);
        }
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        connection->lastActivityMs = NowMs();
        Connection* c = connection.get();
        m_open.push_back(std::move(connection));
        QObject::connect(socket, &QLocalSocket::readyRead, m_context.get(), [this, c] { Read(c); });
        QObject::connect(socket, &QLocalSocket::disconnected, m_context.get(), [this, socket] { Drop(socket); });
        QTimer::singleShot(kTimeoutMs, socket, [this, socket] { Drop(socket); });
        if (socket->bytesAvailable() > 0)
            Read(c);
    }
}

void HandOverServer::Read(Connection* c)
{
    if (c->answered)
        return;
    const QByteArray bytes = c->socket->readAll();
    c->lastActivityMs = NowMs();
    if (c->buffer.size() + bytes.size() > kMaxBytes) {
        Drop(c->socket);
        return;
    }
    c->buffer += bytes;
    // Only a whole list counts: one cut short by a dying sender is never taken.
    QStringList& addresses = c->addresses;
    addresses.clear();
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = c->buffer.indexOf('\0', from);
        if (end < 0)
            return;
        if (end == from)
            break;  // the empty entry that ends the list
        addresses << QString::fromUtf8(c->buffer.mid(from, end - from));
        from = end + 1;
    }
    const qsizetype tokenEnd = c->buffer.indexOf('\0', from + 1);
    if (tokenEnd >= 0) {
        Take(c, QString::fromUtf8(c->buffer.mid(from + 1, tokenEnd - from - 1)));
        return;
    }
    if (c->waitingForToken)
        return;
    // A sender that knows no token sends none: its list goes without.
    c->waitingForToken = true;
    QLocalSocket* socket = c->socket;
    QTimer::singleShot(kTokenWaitMs, socket, [this, socket] {
        if (Connection* waiting = Find(socket))
            Take(waiting, QString());
    });
}

void HandOverServer::Take(Connection* c, const QString& activationToken)
{
    if (c->answered)
        return;
    c->answered = true;
    QLocalSocket* socket = c->socket;
    if (!m_taker || !m_taker(c->addresses, activationToken)) {
        Drop(socket);  // the sender hears no answer and tries again
        return;
    }
    socket->write(&kTaken, 1);
    socket->flush();
    socket->disconnectFromServer();  // once the answer is out; then Drop
}

HandOverServer::Connection* HandOverServer::Find(QLocalSocket* socket) const
{
    const auto it = std::find_if(m_open.begin(), m_open.end(), [socket](const auto& c) { return c->socket == socket; });
    return it == m_open.end() ? nullptr : it->get();
}

void HandOverServer::Drop(QLocalSocket* socket)
{
    const auto it = std::find_if(m_open.begin(), m_open.end(), [socket](const auto& c) { return c->socket == socket; });
    if (it == m_open.end())
        return;
    m_open.erase(it);
    QObject::disconnect(socket, nullptr, m_context.get(), nullptr);
    socket->abort();
    socket->deleteLater();
}

bool HandOverServer::Send(const QString& name, const QStringList& addresses, const QString& activationToken, int waitMs)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(waitMs) || !SameUser(socket))
        return false;
    QByteArray bytes;
    for (const QString& address : addresses)
        if (!address.isEmpty())  // an empty one would end the list
            bytes += address.toUtf8() + '\0';
    bytes += '\0';
    bytes += activationToken.toUtf8().replace('\0', QByteArray()) + '\0';
    if (bytes.size() > kMaxBytes)
        return false;
    socket.write(bytes);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(waitMs))
            return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(waitMs))
            return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kTaken;
}
