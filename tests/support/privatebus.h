#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

// A dbus-daemon of a test's own, ended with this object, and named
// connections to it, which end with it too. No service of the machine
// answers on it.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork", "--nopidfile"});
        if (!m_daemon.waitForStarted(5000))
            return;
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_prefix = QStringLiteral("private-bus-%1-").arg(++s_buses);
    }
    ~PrivateBus()
    {
        for (const QString& name : std::as_const(m_names))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool IsRunning() const { return !m_address.isEmpty(); }
    // What DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS would hold.
    const QString& Address() const { return m_address; }
    // A connection of its own for each role ("service", "client" ...).
    QDBusConnection Connect(const QString& role)
    {
        if (!IsRunning())
            return QDBusConnection(QString());
        const QString name = m_prefix + role;
        if (!m_names.contains(name))
            m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    static inline int s_buses = 0;
    QProcess m_daemon;
    QString m_address;
    QString m_prefix;
    QStringList m_names;
};
