#pragma once

#include "tests/support/privatebus.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <vector>

// logind's manager on a private bus, as far as inhibitor locks go. Each
// granted Inhibit gets the write end of a pipe, and its lock is held until
// every copy of that end is closed, as with logind's own.
class FakeLogin : public QDBusVirtualObject {
public:
    FakeLogin();
    ~FakeLogin() override;

    bool IsRunning() const { return m_bus.IsRunning(); }
    // For DBUS_SYSTEM_BUS_ADDRESS.
    const QString& Address() const { return m_bus.Address(); }
    // Takes logind's name on the bus.
    bool Serve();
    // Refused calls get an access-denied error, as from polkit.
    void SetRefusing(bool refusing);
    // The arguments of each Inhibit call, in order.
    std::vector<QStringList> Calls() const;
    // How many granted locks are still held.
    int Held() const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    PrivateBus m_bus;
    QDBusConnection m_service{QString()};
    mutable QMutex m_lock;
    bool m_refusing = false;
    std::vector<QStringList> m_calls;
    std::vector<int> m_readEnds;  // one per granted lock
};
