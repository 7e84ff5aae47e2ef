#include "mainframe.h"

#include "colorscheme.h"
#include "notifier.h"
#include "sleepinhibitor.h"

#include "engine/downloadqueue.h"
#include "engine/myyoutubedownloader.h"
#include "engine/settings.h"
#include "platform/exception.h"
#include "platform/layout/layoutview.h"
#include "platform/layout/view/layoutwebview.h"
#include "platform/shellopen.h"
#include "platform/startupmarks.h"
#include "ui/dialogs/aboutdlg.h"
#include "ui/dialogs/appicon.h"
#include "ui/dialogs/dialogcommon.h"
#include "ui/dialogs/addressdlg.h"
#include "ui/dialogs/optionsdlg.h"
#include "ui/page/dom.h"
#include "ui/page/resourceloader.h"
#include "ui/page/rows.h"
#include "ui/page/selectedelementlist.h"
#include "ui/page/statustext.h"
#include "ui/res/resources.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kWidth = 681;
constexpr int kHeight = 601;

// The window's outline: a rectangle whose corners are 9 x 9 ellipses.
QRegion RoundedRegion(int width, int height)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, height), 4.5, 4.5);
    return QRegion(path.toFillPolygon().toPolygon());
}

}  // namespace

CMainFrame::CMainFrame()
    : event_handler(HANDLE_ALL), m_queue(std::make_unique<CDownloadQueue>(CSettings::Instance().DownloadLimit())),
      m_notifier(std::make_unique<CDownloadNotifier>()), m_sleepInhibitor(std::make_unique<CSleepInhibitor>()),
      m_colorScheme(std::make_unique<CColorScheme>())
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAcceptDrops(true);
    connect(&CSettings::Instance(), &CSettings::changed, this, &CMainFrame::OnSettingsChanged);
    connect(m_colorScheme.get(), &CColorScheme::changed, this, &CMainFrame::ApplyColorScheme);
}

CMainFrame::~CMainFrame()
{
    m_timerRefresh.stop();
    m_timerExitWait.stop();
    m_timerSave.stop();
    m_timerQueue.stop();
    if (m_view && m_view->focusProxy())
        m_view->focusProxy()->removeEventFilter(this);
    m_view.reset();
    for (htmlayout::dom::element* e :
         {&m_top,       &m_bottom,    &m_minimize,    &m_close,    &m_url,         &m_add,
          &m_statusBar, &m_help,      &m_captionText, &m_about,    &m_options,     &m_itemMenu,
          &m_miOpen,    &m_miRestart, &m_miResume,    &m_miStop,   &m_miSelectAll, &m_miRemove,
          &m_miOpenUrl, &m_miOptions, &m_miOpenFile,  &m_thumbTip, &m_thumbTipImg})
        e->release();
    // Items next: each takes its row off the page and discards its job,
    // which the queue must have let go first.
    m_queue.reset();
    m_items.clear();
    m_content.release();
    if (m_hwnd) {
        HTMLayoutWindowDetachEventHandler(m_hwnd, &htmlayout::ElementProc, static_cast<event_handler*>(this));
        layout::SetInputHook(m_hwnd, {});
        HTMLayoutDestroyWindow(m_hwnd);
    }
}

bool CMainFrame::Create(bool withView)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowSystemMenuHint);
    setWindowTitle(QStringLiteral("Ferrowick"));
    setWindowIcon(AppIcon());
    setFixedSize(kWidth, kHeight);
    move(0, 0);
    // A Wayland compositor takes the mask as the input region only and
    // clips nothing: the corners are round there only where the page leaves
    // them transparent and the window has alpha to show it. This must be
    // decided before the window is created.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        setAttribute(Qt::WA_TranslucentBackground);
    return OnCreate(withView) == 0;
}

int CMainFrame::OnCreate(bool withView)
{
    // Clips the corners on X11; on Wayland it keeps clicks there going
    // through to what lies beneath.
    setMask(RoundedRegion(kWidth, kHeight));

    InitPageResources();
    m_hwnd = HTMLayoutCreateWindow();
    HTMLayoutSetCallback(m_hwnd, &CMainFrame::HostNotify, static_cast<CMainFrame*>(this));

    if (auto page = LoadResourceByUrl(QStringLiteral("DEFAULT"));
        page && HTMLayoutLoadHtml(m_hwnd, page->data, page->size)) {
        htmlayout::dom::element root = GetRootElement(m_hwnd);
        const struct {
            htmlayout::dom::element* handle;
            const char* id;
        } ids[] = {
            {&m_top, "top"},
            {&m_bottom, "bottom"},
            {&m_minimize, "minimize"},
            {&m_close, "close"},
            {&m_url, "url"},
            {&m_add, "add"},
            {&m_content, "content"},
            {&m_statusBar, "status-bar"},
            {&m_help, "help"},
            {&m_captionText, "caption_text"},
            {&m_about, "about"},
            {&m_options, "options"},
            {&m_itemMenu, "item_menu"},
            {&m_miOpen, "mi_open"},
            {&m_miRestart, "mi_restart"},
            {&m_miResume, "mi_resume"},
            {&m_miStop, "mi_stop"},
            {&m_miSelectAll, "mi_select_all"},
            {&m_miRemove, "mi_remove"},
            {&m_miOpenUrl, "mi_open_url"},
            {&m_miOptions, "mi_options"},
            {&m_miOpenFile, "mi_open_file"},
            {&m_thumbTip, "thumb_tip"},
            {&m_thumbTipImg, "thumb_tip_img"},
        };
        for (const auto& entry : ids)
            *entry.handle = FindElementById(root, entry.id);
        HTMLayoutWindowAttachEventHandler(m_hwnd, &htmlayout::ElementProc, static_cast<event_handler*>(this),
                                          HANDLE_ALL);
        ApplyColorScheme();
    }
    layout::SetInputHook(m_hwnd, [this](HWND, const layout::LayoutInput& input) { return OnInput(input); });

    // The web engine starts its page while the stored list is read: the page
    // asks for the document only once the list is in it.
    if (withView) {
        m_view = std::make_unique<layout::LayoutWebView>(m_hwnd, this);
        m_view->setGeometry(0, 0, kWidth, kHeight);
        StartupMark("view created");
        m_view->setFocus();  // the page has the keyboard: the first Tab reaches the address box
        // Presses on the bands start a window move during the press itself;
        // drops are the frame's, so Chromium never navigates to a dropped link.
        if (QWidget* proxy = m_view->focusProxy())
            proxy->installEventFilter(this);
        connect(m_view.get(), &layout::LayoutWebView::ready, this, [this] {
            if (QWidget* proxy = m_view->focusProxy())
                proxy->installEventFilter(this);
        });
    }

    // The program's data lives in the user's data folder: the folder of the
    // executable is read-only once installed and goes with every rebuild.
    m_strProgramFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(m_strProgramFolder);
    SetDefaultFolders(m_strProgramFolder);
    m_strAppXmlPath = QDir(m_strProgramFolder).filePath(QStringLiteral("app.xml"));
    try {
        LoadAppXml(m_strAppXmlPath);
    } catch (const CException&) {
        // A job whose session the platform refused: the items before it stay,
        // and app.xml is not written over for the rest of this run.
    }
    NoteFinishedJobs();
    m_timerSave.stop();  // what was just read needs no writing
    if (m_content.is_valid())
        UpdateElement(m_content, true);

    SetTimer(TIMER_REFRESH, TIMER_REFRESH_ELAPSE);
    // The desktop is asked once the window is up: it shows light until told.
    QTimer::singleShot(0, m_colorScheme.get(), [this] { m_colorScheme->Start(); });
    return 0;
}

void CMainFrame::ApplyColorScheme()
{
    const bool dark = m_colorScheme->IsDark();
    if (HELEMENT root = m_hwnd ? GetRootElement(m_hwnd) : nullptr)
        SetAttribute(root, "color-scheme", dark ? QStringLiteral("dark") : QStringLiteral("light"));
    CColorScheme::ApplyToDialogs(dark);
}

void CMainFrame::SetTimer(int nIDEvent, int elapse)
{
    if (nIDEvent == TIMER_REFRESH)
        m_timerRefresh.start(elapse, this);
    else if (nIDEvent == TIMER_EXIT_WAIT)
        m_timerExitWait.start(elapse, this);
}

void CMainFrame::KillTimer(int nIDEvent)
{
    if (nIDEvent == TIMER_REFRESH)
        m_timerRefresh.stop();
    else if (nIDEvent == TIMER_EXIT_WAIT)
        m_timerExitWait.stop();
}

bool CMainFrame::IsTimerRunning(int nIDEvent) const
{
    if (nIDEvent == TIMER_REFRESH)
        return m_timerRefresh.isActive();
    if (nIDEvent == TIMER_EXIT_WAIT)
        return m_timerExitWait.isActive();
    return false;
}

void CMainFrame::timerEvent(QTimerEvent* event)
{
    // Qt numbers its timers itself; the window keeps its own ids.
    if (event->timerId() == m_timerRefresh.timerId())
        OnTimer(TIMER_REFRESH);
    else if (event->timerId() == m_timerExitWait.timerId())
        OnTimer(TIMER_EXIT_WAIT);
    else if (event->timerId() == m_timerQueue.timerId())
        PollQueue();
    else if (event->timerId() == m_timerSave.timerId()) {
        m_timerSave.stop();
        if (!m_bExiting)
            SaveAppXml(m_strAppXmlPath);
    } else
        QWidget::timerEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Closing is the frame's own decision: ask, wait, save, then go.
    event->ignore();
    if (!m_bDestroying && !m_bExiting)
        OnClose();
}

void CMainFrame::DestroyWindow()
{
    m_bDestroying = true;
    KillTimer(TIMER_REFRESH);
    KillTimer(TIMER_EXIT_WAIT);
    hide();
    OnNcDestroy();
}

void CMainFrame::OnNcDestroy()
{
    // The application ends when the frame is gone.
    deleteLater();
}

bool CMainFrame::OnInput(const layout::LayoutInput& input)
{
    if (input.type != layout::LayoutInput::DoubleClick)
        return false;
    // A double click on a finished row with a known file opens the file; the
    // engine still sees the click afterwards.
    for (HELEMENT he = layout::ElementFromId(input.target); he; he = GetParentElement(he)) {
        if (QString::fromStdString(GetTagName(he)).toLower() != QLatin1String("option"))
            continue;
        if (CDownloadItem* item = ItemOfRow(he)) {
            const DownloaderInfo info = item->Snapshot(DIF_STATE | DIF_VIDEOPATH);
            const QString path = info.videopath.trimmed();
            if (info.state == DS_DONE && !path.isEmpty())
                ShellOpen(QUrl::fromLocalFile(path));
        }
        break;
    }
    return false;
}

bool CMainFrame::HitTestCaption(const QPoint& pos) const
{
    const POINT pt{pos.x(), pos.y()};
    if (m_url.is_valid() && IsPointInside(m_url, pt))
        return false;
    if (!(m_top.is_valid() && IsPointInside(m_top, pt)) && !(m_bottom.is_valid() && IsPointInside(m_bottom, pt)))
        return false;
    // The bands' buttons take their own presses; only the bands themselves drag.
    for (HELEMENT he = m_hwnd ? FindElementAtPoint(m_hwnd, pt) : nullptr; he; he = GetParentElement(he))
        if (GetTagName(he) == "widget")
            return false;
    return true;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && m_view && watched == m_view->focusProxy()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && HitTestCaption(mouse->position().toPoint()) && windowHandle()) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    if (m_view && watched == m_view->focusProxy()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
            AcceptDrag(static_cast<QDropEvent*>(event));
            return true;
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop:
            dropEvent(static_cast<QDropEvent*>(event));
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CMainFrame::AcceptDrag(QDropEvent* event) const
{
    const QMimeData* data = event->mimeData();
    if (m_bExiting || !data || !(data->hasUrls() || data->hasText())) {
        event->ignore();
        return false;
    }
    if (event->possibleActions() & Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
    return true;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    AcceptDrag(event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    AcceptDrag(event);
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (AcceptDrag(event) && !OnDropAddress(event->mimeData()))
        event->ignore();
}

CDownloadItem* CMainFrame::ItemOfRow(HELEMENT row) const
{
    const auto id = GetAttribute(row, "value");
    if (!id)
        return nullptr;
    const auto it = m_items.find(*id);
    return it == m_items.end() ? nullptr : it->second.get();
}

QMessageBox::StandardButton CMainFrame::MessageBox(const QString& text, QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QStringLiteral("Ferrowick"), text, buttons, isVisible() ? this : nullptr);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

int CMainFrame::RunAddressDialog(int& learn)
{
    CAddressDlg dlg(isVisible() ? this : nullptr);
    dlg.m_bLearn = learn;
    const int result = dlg.DoModal();
    if (result == IDOK)
        learn = dlg.m_bLearn;
    return result;
}

void CMainFrame::RunOptionsDialog()
{
    COptionsDlg dlg(isVisible() ? this : nullptr);
    dlg.DoModal();
}

void CMainFrame::PollQueue()
{
    m_queue->Poll();
    if (m_queue->Queued() > 0 && !m_bExiting) {
        if (!m_timerQueue.isActive())
            m_timerQueue.start(QUEUE_POLL_ELAPSE, this);
    } else {
        m_timerQueue.stop();
    }
}

void CMainFrame::OnSettingsChanged()
{
    m_queue->SetLimit(CSettings::Instance().DownloadLimit());
    PollQueue();
    ScheduleSave();
}

void CMainFrame::ScheduleSave()
{
    if (!m_timerSave.isActive() && !m_bExiting)
        m_timerSave.start(SAVE_DELAY, this);
}

void CMainFrame::NoteFinishedJobs()
{
    bool changed = m_finishedSeen.size() != m_items.size();
    std::unordered_map<QString, bool> seen;
    std::vector<CDownloadNotifier::Ending> ended;
    for (auto& [id, item] : m_items) {
        const bool done = item->Snapshot(DIF_STATE).state == DS_DONE;
        const auto it = m_finishedSeen.find(id);
        if (it == m_finishedSeen.end() || it->second != done)
            changed = true;
        // An item not seen before was added since the last look and may
        // have ended already; the ones read at start are seen at once.
        if (done && m_bLookedOnce && (it == m_finishedSeen.end() || !it->second)) {
            const DownloaderInfo info = item->Snapshot(uint32_t(-1));
            ended.push_back({info.title.isEmpty() ? id : info.title, StatusText(info, 0)});
        }
        seen.emplace(id, done);
    }
    m_finishedSeen = std::move(seen);
    m_bLookedOnce = true;
    if (changed)
        ScheduleSave();
    if (!ended.empty() && !IsActiveForUser())
        m_notifier->JobsEnded(ended);
}

bool CMainFrame::IsActiveForUser() const
{
    // A dialog of ours over the window counts as the window.
    for (const QWidget* w = QApplication::activeWindow(); w; w = w->parentWidget())
        if (w == this)
            return true;
    return isActiveWindow();
}

void CMainFrame::RunAboutDialog()
{
    CAboutDlg dlg(isVisible() ? this : nullptr);
    dlg.DoModal();
}

void CMainFrame::OnTimer(int nIDEvent)
{
    if (nIDEvent == TIMER_REFRESH) {
        PollQueue();
        int uncompleted = 0;
        for (auto& [id, item] : m_items) {
            const DownloaderInfo info = item->Snapshot(DIF_STATE | DIF_ERROR);
            if (info.state == DS_DONE && info.error != DE_NONE)
                ++uncompleted;
            UpdateRow(item.get());
        }
        const int downloading = m_queue->Running();
        const int queued = m_queue->Queued();
        m_sleepInhibitor->SetDownloading(downloading > 0);
        if (m_content.is_valid())
            UpdateElement(m_content, true);
        const int total = int(m_items.size());
        QString text = QStringLiteral("Total: %1 %2").arg(total).arg(total > 1 ? "videos" : "video");
        if (uncompleted)
            text += QStringLiteral(", %1 uncompleted").arg(uncompleted);
        if (downloading)
            text += QStringLiteral(", %1 downloading").arg(downloading);
        if (queued)
            text += QStringLiteral(", %1 queued").arg(queued);
        if (m_statusBar.is_valid()) {
            SetElementText(m_statusBar, text);
            UpdateElement(m_statusBar, true);
        }
        NoteFinishedJobs();
    } else if (nIDEvent == TIMER_EXIT_WAIT) {
        // A dialog still open (a signal asked for the exit) is closed first;
        // the window goes only once no dialog's loop runs on its stack.
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        if (m_queue->Running() > 0)
            return;
        KillTimer(TIMER_EXIT_WAIT);
        SaveAppXml(m_strAppXmlPath);
        DestroyWindow();
    }
}

void CMainFrame::OnClose()
{
    // A job waiting for its slot is as unfinished as a running one.
    const int running = m_queue->Running() + m_queue->Queued();
    if (running == 0) {
        SaveAppXml(m_strAppXmlPath);
        DestroyWindow();
        return;
    }
    const QString text = QStringLiteral("%1 %2 downloading! Do you really want to exit?")
                             .arg(running)
                             .arg(running > 1 ? "videos are" : "video is");
    if (MessageBox(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QMessageBox::No) !=
            QMessageBox::Yes ||
        m_bExiting)
        return;
    ExitAfterStopping();
}

void CMainFrame::ExitAfterStopping()
{
    if (m_bExiting || m_bDestroying)
        return;
    m_bExiting = true;
    m_timerSave.stop();  // the exit wait saves once every job has ended
    KillTimer(TIMER_REFRESH);
    SetTimer(TIMER_EXIT_WAIT, TIMER_EXIT_WAIT_ELAPSE);
    hide();
    m_timerQueue.stop();
    m_queue->StopAll();
}
