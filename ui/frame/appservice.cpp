#include "appservice.h"

#include "mainframe.h"
#include "ui/dialogs/productinfo.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kBus = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
// RequestName's DBUS_NAME_FLAG_DO_NOT_QUEUE, without REPLACE_EXISTING: a copy
// on another data folder keeps the name it holds, and this one gets nothing
// queued for it.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr int kReleaseWaitMs = 1000;

// The launcher's leave to come forward, where it gave one.
QString ActivationToken(const QVariantMap& platformData)
{
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    return token.isEmpty() ? platformData.value(QStringLiteral("desktop-startup-id")).toString() : token;
}

}  // namespace

CApplicationService::CApplicationService(CMainFrame* frame) : m_frame(frame)
{
}

CApplicationService::~CApplicationService()
{
    if (!m_bus)
        return;
    // Given back before the process ends, so that the copy that starts once
    // this one has let go of the guard gets it. Sent after the request, it
    // is answered after it; a name never held is no harm.
    QDBusMessage release = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("ReleaseName"));
    release << Name();
    m_bus->call(release, QDBus::Block, kReleaseWaitMs);
    m_bus->unregisterObject(Path());
}

QString CApplicationService::Name()
{
    return QString::fromLatin1(PRODUCT_APP_ID);
}

QString CApplicationService::Path()
{
    return u'/' + Name().replace(u'.', u'/');
}

void CApplicationService::Serve(const QDBusConnection& bus)
{
    QDBusConnection connection = bus;
    if (!connection.isConnected() || !connection.registerObject(Path(), this, QDBusConnection::ExportScriptableSlots))
        return;
    m_bus = connection;
    QDBusMessage request = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("RequestName"));
    request << Name() << kDoNotQueue;
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        // Without the name the object would answer only those who call this
        // connection by its own address: nobody.
        if (reply.isError() || reply.value() != kPrimaryOwner)
            m_bus->unregisterObject(Path());
    });
}

void CApplicationService::Activate(const QVariantMap& platformData)
{
    if (m_frame)
        m_frame->BringForward(ActivationToken(platformData));
}

void CApplicationService::Open(const QStringList& uris, const QVariantMap& platformData)
{
    // A window in its exit wait takes nothing more: the caller hears so
    // rather than losing the addresses in silence.
    if (!m_frame || !m_frame->AddAddresses(uris)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::Failed, QStringLiteral("Ferrowick is closing and takes no more addresses."));
        return;
    }
    m_frame->BringForward(ActivationToken(platformData));
}

void CApplicationService::ActivateAction(const QString& /*action*/, const QVariantList& /*parameter*/,
                                         const QVariantMap& /*platformData*/)
{
}
