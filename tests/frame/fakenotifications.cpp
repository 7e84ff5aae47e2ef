#include "fakenotifications.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QMutexLocker>

namespace {

int g_buses = 0;

}  // namespace

FakeNotifications::FakeNotifications() : m_started(QDateTime::currentMSecsSinceEpoch())
{
    m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork", "--nopidfile"});
    if (!m_daemon.waitForStarted(5000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        return;
    const int n = ++g_buses;
    m_serviceName = QStringLiteral("fake-notifications-%1").arg(n);
    m_clientName = QStringLiteral("fake-notifications-client-%1").arg(n);
    m_client = QDBusConnection::connectToBus(m_address, m_clientName);
}

FakeNotifications::~FakeNotifications()
{
    if (!m_serviceName.isEmpty()) {
        m_service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(m_serviceName);
        QDBusConnection::disconnectFromBus(m_clientName);
    }
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

bool FakeNotifications::Serve(bool bodyMarkup)
{
    m_markup = bodyMarkup;
    m_service = QDBusConnection::connectToBus(m_address, m_serviceName);
    return m_service.isConnected() &&
           m_service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), this) &&
           m_service.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

std::vector<FakeNotifications::Note> FakeNotifications::Notes() const
{
    QMutexLocker lock(&m_lock);
    return m_notes;
}

qint64 FakeNotifications::Now() const
{
    return QDateTime::currentMSecsSinceEpoch() - m_started;
}

QString FakeNotifications::introspect(const QString&) const
{
    return QString();
}

bool FakeNotifications::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.interface() != QLatin1String("org.freedesktop.Notifications"))
        return false;
    if (message.member() == QLatin1String("GetCapabilities")) {
        QStringList caps{"body", "actions"};
        if (m_markup)
            caps << "body-markup";
        connection.send(message.createReply(QVariant(caps)));
        return true;
    }
    if (message.member() != QLatin1String("Notify"))
        return false;
    const QVariantList a = message.arguments();
    Note note;
    note.signature = message.signature();
    note.at = Now();
    if (a.size() == 8) {
        note.appName = a[0].toString();
        note.replacesId = a[1].toUInt();
        note.appIcon = a[2].toString();
        note.summary = a[3].toString();
        note.body = a[4].toString();
        note.actions = a[5].toStringList();
        note.hints = qdbus_cast<QVariantMap>(a[6]);
        note.timeout = a[7].toInt();
    }
    uint id;
    {
        QMutexLocker lock(&m_lock);
        m_notes.push_back(note);
        id = uint(m_notes.size());
    }
    connection.send(message.createReply(QVariant(id)));
    return true;
}
