#include "privatebus.h"

namespace {

int g_buses = 0;

}  // namespace

PrivateBus::PrivateBus()
{
    m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork", "--nopidfile"});
    if (!m_daemon.waitForStarted(5000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    m_prefix = QStringLiteral("private-bus-%1-").arg(++g_buses);
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : m_names)
        QDBusConnection::disconnectFromBus(name);
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::Connect(const QString& role)
{
    if (!IsRunning())
        return QDBusConnection(QString());
    const QString name = m_prefix + role;
    if (!m_names.contains(name))
        m_names << name;
    return QDBusConnection::connectToBus(m_address, name);
}
