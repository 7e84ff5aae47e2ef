#include "notifier.h"

#include "ui/dialogs/productinfo.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRegularExpression>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kQuietMs = 1000;
constexpr int kSummaryLines = 5;

QString PlainText(const QString& markup)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return QString(markup).remove(tag);
}

// Errors that mean nobody serves notifications on this bus.
bool NoService(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return true;
    default:
        return false;
    }
}

}  // namespace

CDownloadNotifier::CDownloadNotifier(QObject* parent) : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    // A coarse timer may fire 5 % early: the next notice would come before its second.
    m_quiet.setTimerType(Qt::PreciseTimer);
    connect(&m_quiet, &QTimer::timeout, this, &CDownloadNotifier::Flush);
}

CDownloadNotifier::~CDownloadNotifier() = default;

void CDownloadNotifier::SetConnection(const QDBusConnection& bus)
{
    m_bus = bus;
    m_markup = -1;  // another bus, perhaps another service
}

QDBusConnection& CDownloadNotifier::Bus()
{
    // Taken at the first ending, not at start: connecting costs a round trip.
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    return *m_bus;
}

void CDownloadNotifier::JobsEnded(const std::vector<Ending>& endings)
{
    m_pending.insert(m_pending.end(), endings.begin(), endings.end());
    if (!m_quiet.isActive())
        Flush();
}

void CDownloadNotifier::Flush()
{
    if (m_pending.empty())
        return;
    if (m_markup < 0) {
        // The summary's body carries titles, which must be escaped for a
        // service that reads markup; the endings wait for its answer.
        AskCapabilities();
        return;
    }
    const auto body = [this](const QString& text) { return m_markup ? text.toHtmlEscaped() : text; };
    if (m_pending.size() == 1) {
        Notify(m_pending[0].title, body(PlainText(m_pending[0].status)));
    } else {
        QStringList lines;
        for (size_t i = 0; i < m_pending.size() && i < size_t(kSummaryLines); ++i)
            lines << QStringLiteral("%1: %2").arg(m_pending[i].title, PlainText(m_pending[i].status));
        if (m_pending.size() > size_t(kSummaryLines))
            lines << QStringLiteral("and %1 more").arg(m_pending.size() - kSummaryLines);
        Notify(QStringLiteral("%1 downloads ended").arg(m_pending.size()), body(lines.join(QLatin1Char('\n'))));
    }
    m_pending.clear();
    m_quiet.start();
}

void CDownloadNotifier::AskCapabilities()
{
    if (m_asking)
        return;
    m_asking = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(Bus().asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError() && NoService(reply.error())) {
            // Nobody to tell; a service that starts later is asked again.
            m_pending.clear();
            return;
        }
        m_markup = !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
        if (!m_quiet.isActive())
            Flush();
    });
}

void CDownloadNotifier::Notify(const QString& summary, const QString& body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // The desktop entry names the application: the desktop groups its
    // notifications and shows its icon.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QString::fromLatin1(PRODUCT_APP_ID)}};
    call << QStringLiteral("Ferrowick") << uint(0) << QStringLiteral("ferrowick") << summary << body << QStringList()
         << hints << int(-1);
    // The id in the answer is of no use: nothing is ever replaced or closed.
    Bus().asyncCall(call);
}
