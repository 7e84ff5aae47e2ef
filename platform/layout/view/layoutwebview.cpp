#include "layoutwebview.h"

#include "layoutbridge.h"
#include "layoutschemehandler.h"
#include "layoutwebpage.h"
#include "platform/layout/layoutview.h"
#include "platform/startupmarks.h"

#include <QFile>
#include <QHelpEvent>
#include <malloc.h>
#include <QTimer>
#include <QToolTip>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

// Q_INIT_RESOURCE declares its function at the scope it is used in: keep it global.
static void InitViewResources()
{
    Q_INIT_RESOURCE(layoutview);
}

namespace layout {

namespace {

// The title of the element under a point of the page, or of its nearest
// ancestor with one, and that element's box; empty when none has a title.
QString TitleAt(HWND hwnd, const QPoint& pos, QRect& box)
{
    HELEMENT he = nullptr;
    HTMLayoutFindElement(hwnd, POINT{pos.x(), pos.y()}, &he);
    for (; he; HTMLayoutGetParentElement(he, &he)) {
        const char16_t* title = nullptr;
        if (HTMLayoutGetAttributeByName(he, "title", &title) != HLDOM_OK || !title || !*title)
            continue;
        RECT r{};
        HTMLayoutGetElementLocation(he, &r, BORDER_BOX_IN_ROOT);
        box = QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
        return QString::fromUtf16(title);
    }
    return {};
}

}  // namespace

void LayoutWebView::RegisterScheme()
{
    LayoutSchemeHandler::RegisterScheme();
}

LayoutWebView::LayoutWebView(HWND hwnd, QWidget* parent)
    : QWebEngineView(parent), m_hwnd(hwnd), m_bridge(std::make_unique<LayoutBridge>(hwnd)),
      m_channel(std::make_unique<QWebChannel>()), m_scheme(std::make_unique<LayoutSchemeHandler>(hwnd))
{
    InitViewResources();
    setPage(new LayoutWebPage(this));
    setContextMenuPolicy(Qt::NoContextMenu);  // the page's own menu is the model's
    QWebEngineProfile* profile = page()->profile();
    if (!profile->urlSchemeHandler(LayoutSchemeHandler::Scheme))
        profile->installUrlSchemeHandler(LayoutSchemeHandler::Scheme, m_scheme.get());

    QFile channelJs(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (channelJs.open(QIODevice::ReadOnly)) {
        QWebEngineScript script;
        script.setName(QStringLiteral("qwebchannel"));
        script.setSourceCode(QString::fromUtf8(channelJs.readAll()));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setRunsOnSubFrames(false);
        page()->scripts().insert(script);
    }
    m_channel->registerObject(QStringLiteral("host"), m_bridge.get());
    page()->setWebChannel(m_channel.get());
    page()->setBackgroundColor(Qt::transparent);
    settings()->setAttribute(QWebEngineSettings::ShowScrollBars, true);

    connect(m_bridge.get(), &LayoutBridge::pageReady, this, &LayoutWebView::sendSnapshot);
    connect(m_bridge.get(), &LayoutBridge::batchApplied, this, &LayoutWebView::batchApplied);
    connect(m_bridge.get(), &LayoutBridge::boxesReported, this, &LayoutWebView::boxesReported);

    load(LayoutWebPage::ShellUrl());
}

LayoutWebView::~LayoutWebView()
{
    SetDirtyCallback(m_hwnd, {});
    QWebEngineProfile* profile = page()->profile();
    if (profile->urlSchemeHandler(LayoutSchemeHandler::Scheme) == m_scheme.get())
        profile->removeUrlScheme(LayoutSchemeHandler::Scheme);
    page()->setWebChannel(nullptr);
}

bool LayoutWebView::event(QEvent* event)
{
    // Chromium puts the page's hover text on the view as its tooltip, and a
    // screen reader reads a widget's tooltip as its description: the view
    // would repeat the text of whichever element the pointer last rested on.
    // The page's own tree gives that text to its element; the view keeps no
    // tooltip and shows the document's title under the pointer itself.
    if (event->type() == QEvent::ToolTipChange && !toolTip().isEmpty())
        setToolTip(QString());
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QRect box;
        if (const QString title = TitleAt(m_hwnd, help->pos(), box); !title.isEmpty())
            QToolTip::showText(help->globalPos(), title, this, box);
        else
            QToolTip::hideText();
        return true;
    }
    return QWebEngineView::event(event);
}

void LayoutWebView::sendSnapshot()
{
    // A reload of the shell starts from the whole document again.
    StartupMark("snapshot asked");
    // Changes are logged from here on: what came before is in the snapshot.
    SetDirtyCallback(m_hwnd, [this] { scheduleFlush(); });
    const QByteArray json = SnapshotDocument(m_hwnd);
    m_lastBatchBytes = json.size();
    StartupMark("snapshot built", json.size());
    emit m_bridge->snapshot(QString::fromUtf8(json));
    StartupMark("snapshot sent");
    // The snapshot of a long list passed through several copies of some
    // megabytes each; the heap gives their pages back instead of keeping them.
    malloc_trim(0);
    const bool first = !m_ready;
    m_ready = true;
    if (first)
        emit ready();
}

void LayoutWebView::scheduleFlush()
{
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    // Changes of one event-loop turn travel as one batch.
    QTimer::singleShot(0, this, [this] {
        m_flushQueued = false;
        flush();
    });
}

void LayoutWebView::flush()
{
    if (!m_ready || PendingMutations(m_hwnd) == 0)
        return;
    const QByteArray json = TakeMutations(m_hwnd);
    m_lastBatchBytes = json.size();
    emit m_bridge->batch(++m_seq, QString::fromUtf8(json));
}

}  // namespace layout
