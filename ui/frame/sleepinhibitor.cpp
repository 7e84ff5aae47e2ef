#include "sleepinhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

CSleepInhibitor::CSleepInhibitor(QObject* parent)
    : QObject(parent), m_busName(QStringLiteral("ferrowick-sleep-inhibitor-%1").arg(quintptr(this)))
{
}

CSleepInhibitor::~CSleepInhibitor()
{
    m_lock = QDBusUnixFileDescriptor();
    if (m_connected)
        QDBusConnection::disconnectFromBus(m_busName);
}

void CSleepInhibitor::SetDownloading(bool downloading)
{
    if (downloading == m_wanted)
        return;
    m_wanted = downloading;
    if (!downloading)
        m_lock = QDBusUnixFileDescriptor();  // the last copy: logind lets the computer sleep again
    else if (!m_asking && !m_lock.isValid())
        Ask();
}

void CSleepInhibitor::Ask()
{
    // A connection of its own, made when downloads first start: a program
    // that never downloads never touches the system bus, and one whose bus
    // went away (a restart of the bus) gets a fresh connection.
    if (m_connected && !QDBusConnection(m_busName).isConnected()) {
        QDBusConnection::disconnectFromBus(m_busName);
        m_connected = false;
    }
    if (!m_connected) {
        m_connected = true;
        if (!QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_busName).isConnected())
            return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Ferrowick") << QStringLiteral("Downloading videos")
         << QStringLiteral("block");
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(m_busName).asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError() || !m_wanted)
            return;  // refused, or no longer needed: the reply's copy closes with it
        m_lock = reply.value();
    });
}
