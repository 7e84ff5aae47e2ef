#pragma once

#include "tests/support/privatebus.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QVariantMap>
#include <vector>

// A private session bus (a dbus-daemon of its own, ended with this object)
// and a notification service on it that records what it is sent.
class FakeNotifications : public QDBusVirtualObject {
public:
    struct Note {
        QString signature;
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
        qint64 at = 0;  // milliseconds since the bus started
    };

    FakeNotifications();
    ~FakeNotifications() override;

    bool IsRunning() const { return m_client.isConnected(); }
    // The connection the code under test talks over.
    QDBusConnection Client() const { return m_client; }
    // Takes the service's name; the capabilities name body markup or not.
    bool Serve(bool bodyMarkup);
    std::vector<Note> Notes() const;
    qint64 Now() const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    PrivateBus m_bus;
    QDBusConnection m_service{QString()};
    QDBusConnection m_client{QString()};
    bool m_markup = false;
    mutable QMutex m_lock;
    std::vector<Note> m_notes;
    qint64 m_started = 0;
};
