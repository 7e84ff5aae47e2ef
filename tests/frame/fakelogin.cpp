#include "fakelogin.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QMutexLocker>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/login1");

bool Closed(int readEnd)
{
    pollfd p{readEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

}  // namespace

FakeLogin::FakeLogin() = default;

FakeLogin::~FakeLogin()
{
    m_service.unregisterObject(kPath);
    for (int fd : m_readEnds)
        ::close(fd);
}

bool FakeLogin::Serve()
{
    m_service = m_bus.Connect(QStringLiteral("login1"));
    return m_service.isConnected() && m_service.registerVirtualObject(kPath, this) &&
           m_service.registerService(QStringLiteral("org.freedesktop.login1"));
}

void FakeLogin::SetRefusing(bool refusing)
{
    QMutexLocker lock(&m_lock);
    m_refusing = refusing;
}

std::vector<QStringList> FakeLogin::Calls() const
{
    QMutexLocker lock(&m_lock);
    return m_calls;
}

int FakeLogin::Held() const
{
    QMutexLocker lock(&m_lock);
    int held = 0;
    for (int fd : m_readEnds)
        held += !Closed(fd);
    return held;
}

QString FakeLogin::introspect(const QString&) const
{
    return QString();
}

bool FakeLogin::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.interface() != QLatin1String("org.freedesktop.login1.Manager") ||
        message.member() != QLatin1String("Inhibit"))
        return false;
    QStringList args;
    for (const QVariant& a : message.arguments())
        args << a.toString();
    QMutexLocker lock(&m_lock);
    m_calls.push_back(args);
    if (m_refusing || message.signature() != QLatin1String("ssss")) {
        connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                                 QStringLiteral("Permission denied")));
        return true;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    m_readEnds.push_back(ends[0]);
    {
        // The reply carries its own copy of the write end; this one goes now.
        const QDBusUnixFileDescriptor writeEnd(ends[1]);
        ::close(ends[1]);
        connection.send(message.createReply(QVariant::fromValue(writeEnd)));
    }
    return true;
}
