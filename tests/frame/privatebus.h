#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

// A dbus-daemon of a test's own, ended with this object, and named
// connections to it, which end with it too.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool IsRunning() const { return !m_address.isEmpty(); }
    // What DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS would hold.
    const QString& Address() const { return m_address; }
    // A connection of its own for each role ("service", "client" ...).
    QDBusConnection Connect(const QString& role);

private:
    QProcess m_daemon;
    QString m_address;
    QString m_prefix;
    QStringList m_names;
};
