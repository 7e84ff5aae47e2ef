#include "colorscheme.h"

#include <QDBusVariant>
#include <QDBusPendingCallWatcher>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");
constexpr uint kPreferDark = 1;

// Read wraps the value in a second variant; a signal carries it in one.
bool IsDarkValue(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok && scheme == kPreferDark;
}

}  // namespace

CColorScheme::CColorScheme(QObject* parent) : QObject(parent)
{
}

CColorScheme::~CColorScheme() = default;

void CColorScheme::SetConnection(const QDBusConnection& bus)
{
    if (m_bus)
        m_bus->disconnect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                          SLOT(OnSettingChanged(QDBusMessage)));
    m_bus = bus;
    ++m_generation;
    if (!m_bus->isConnected()) {
        Set(false);
        return;
    }
    m_bus->connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                   SLOT(OnSettingChanged(QDBusMessage)));
    Read();
}

void CColorScheme::Start()
{
    if (!m_bus)
        SetConnection(QDBusConnection::sessionBus());
}

void CColorScheme::Read()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << kNamespace << kKey;
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation = m_generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation != m_generation)
                    return;
                const QDBusMessage reply = w->reply();
                const bool answered = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
                Set(answered && IsDarkValue(reply.arguments().constFirst()));
            });
}

void CColorScheme::OnSettingChanged(const QDBusMessage& signal)
{
    const QVariantList a = signal.arguments();
    if (a.size() != 3 || a[0].toString() != kNamespace || a[1].toString() != kKey)
        return;
    ++m_generation;  // newer than any answer to Read still on its way
    Set(IsDarkValue(a[2]));
}

void CColorScheme::Set(bool dark)
{
    if (dark == m_dark)
        return;
    m_dark = dark;
    emit changed(dark);
}
