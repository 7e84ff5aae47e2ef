#pragma once

#include "tests/support/privatebus.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <atomic>

// The desktop portal's Settings on a private session bus, as Debian 12
// serves it: Read (its value wrapped twice) but no ReadOne, and the
// SettingChanged signal when the colour scheme changes.
class FakePortal : public QDBusVirtualObject {
public:
    explicit FakePortal(uint scheme) : m_scheme(scheme) {}
    ~FakePortal() override { m_service.unregisterObject(kPath); }

    QDBusConnection Client() { return m_bus.Connect(QStringLiteral("client")); }
    bool Serve()
    {
        m_service = m_bus.Connect(QStringLiteral("service"));
        return m_service.registerVirtualObject(kPath, this) &&
               m_service.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    void SetScheme(uint scheme)
    {
        m_scheme = scheme;
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("SettingChanged"));
        signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
               << QVariant::fromValue(QDBusVariant(scheme));
        m_service.send(signal);
    }

    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != kInterface || message.member() != QLatin1String("Read"))
            return false;
        if (message.arguments() != QVariantList{"org.freedesktop.appearance", "color-scheme"})
            return false;
        const QVariant inner = QVariant::fromValue(QDBusVariant(uint(m_scheme)));
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(inner))));
    }

private:
    inline static const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
    inline static const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
    PrivateBus m_bus;
    QDBusConnection m_service{QString()};
    std::atomic<uint> m_scheme;
};
