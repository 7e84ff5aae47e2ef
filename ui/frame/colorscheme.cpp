#include "colorscheme.h"

#include <QApplication>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QPalette>
#include <QStyle>
#include <optional>
#include <utility>

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

void CColorScheme::ApplyToDialogs(bool dark)
{
    static std::optional<std::pair<QString, QPalette>> s_light;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || dark == s_light.has_value())
        return;
    if (!dark) {
        QApplication::setStyle(s_light->first);
        QApplication::setPalette(s_light->second);
        s_light.reset();
        return;
    }
    s_light.emplace(QApplication::style()->name(), QApplication::palette());
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette p;
    const QColor window(0x2F, 0x31, 0x36), base(0x25, 0x27, 0x2B), text(0xE4, 0xE6, 0xEA), dim(0x8A, 0x8D, 0x93);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, dim);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3A, 0x3D, 0x43));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x4A, 0x4E, 0x55));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x43, 0x49));
    p.setColor(QPalette::Mid, QColor(0x2A, 0x2C, 0x30));
    p.setColor(QPalette::Dark, QColor(0x1B, 0x1D, 0x20));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x3A, 0x6F, 0xB0));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x8E, 0xC1, 0xFF));
    p.setColor(QPalette::LinkVisited, QColor(0xC0, 0xA0, 0xFF));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dim);
    QApplication::setPalette(p);
}
