#include "fakenotifications.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QMutexLocker>

FakeNotifications::FakeNotifications()
    : m_client(m_bus.Connect(QStringLiteral("client"))), m_started(QDateTime::currentMSecsSinceEpoch())
{
}

FakeNotifications::~FakeNotifications()
{
    m_service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

bool FakeNotifications::Serve(bool bodyMarkup)
{
    m_markup = bodyMarkup;
    m_service = m_bus.Connect(QStringLiteral("service"));
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
