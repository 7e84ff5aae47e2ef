// The page's behaviour events: buttons, the row menu and its set-up, and
// the thumbnail pop-up.
#include "mainframe.h"

#include "engine/folders.h"
#include "engine/downloadqueue.h"
#include "engine/myyoutubedownloader.h"
#include "engine/sitehosts.h"
#include "platform/paths.h"
#include "platform/shellopen.h"
#include "ui/dialogs/helppage.h"
#include "ui/page/dom.h"
#include "ui/page/selectedelementlist.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QFileInfo>

namespace {

// A file manager that does not answer by then is taken to be missing.
constexpr int kFileManagerWaitMs = 3000;

void Enable(HELEMENT he, bool enable)
{
    if (he)
        SetElementState(he, enable ? 0u : uint32_t(STATE_DISABLED), enable ? uint32_t(STATE_DISABLED) : 0u, true);
}

}  // namespace

bool CMainFrame::handle_event(HELEMENT, BEHAVIOR_EVENT_PARAMS& params)
{
    switch (params.cmd) {
    case BUTTON_CLICK: {
        HELEMENT button = params.heTarget;
        if (m_minimize == button) {
            showMinimized();
            return true;
        }
        if (m_close == button) {
            // The same path as the task bar's close, after this event returns.
            QMetaObject::invokeMethod(this, &CMainFrame::close, Qt::QueuedConnection);
            return true;
        }
        if (m_add == button) {
            OnAddVideo();
            return true;
        }
        if (m_help == button)
            ShellOpen(HelpPageUrl());
        else if (m_about == button)
            RunAboutDialog();
        else if (m_options == button)
            OpenOptions();
        return false;
    }
    case MENU_ITEM_CLICK:
        return OnMenuItemClick(params.heTarget);
    case CONTEXT_MENU_SETUP:
        if (!m_itemMenu.is_valid() || m_itemMenu != params.he)
            return false;
        OnContextMenuSetup(params.he, params.heTarget);
        return true;
    case POPUP_REQUEST:
        return OnPopupRequest(params.heTarget, params.he);
    default:
        return false;
    }
}

bool CMainFrame::OnMenuItemClick(HELEMENT menuItem)
{
    if (!menuItem)
        return false;
    CSelectedElementList selected;
    if (m_content.is_valid())
        SelectElements(m_content, "Option:checked", selected);

    if (m_miRestart == menuItem) {
        for (const auto& row : selected) {
            if (CDownloadItem* item = ItemOfRow(row)) {
                const DownloaderInfo info = item->Snapshot(DIF_STATE | DIF_ERROR);
                if (info.state != DS_DONE || info.error != DE_NONE)
                    m_queue->Start(item->m_pDownloader);
            }
        }
    } else if (m_miResume == menuItem) {
        for (const auto& row : selected) {
            CDownloadItem* item = ItemOfRow(row);
            if (item && CMyYouTubeDownloader::CanResume(item->Snapshot(CMyYouTubeDownloader::DIF_RESUME_RULE)))
                m_queue->Resume(item->m_pDownloader);
        }
    } else if (m_miStop == menuItem) {
        for (const auto& row : selected) {
            if (CDownloadItem* item = ItemOfRow(row); item && item->Snapshot(DIF_STATE).state != DS_DONE)
                m_queue->Stop(item->m_pDownloader);
        }
    } else if (m_miSelectAll == menuItem) {
        CSelectedElementList rows;
        if (m_content.is_valid())
            SelectElements(m_content, "Option", rows);
        for (const auto& row : rows)
            SetElementState(row, STATE_CHECKED, 0, true);
    } else if (m_miRemove == menuItem) {
        RemoveSelected();
    } else if (m_miOpenFile == menuItem) {
        if (CDownloadItem* item = selected.empty() ? nullptr : ItemOfRow(selected[0])) {
            const DownloaderInfo info = item->Snapshot(DIF_STATE | DIF_VIDEOPATH);
            const QString path = info.videopath.trimmed();
            if (info.state == DS_DONE && !path.isEmpty())
                ShellOpen(QUrl::fromLocalFile(path));
        }
    } else if (m_miOpen == menuItem) {
        if (CDownloadItem* item = selected.empty() ? nullptr : ItemOfRow(selected[0]))
            ShowInFolder(item->Snapshot(DIF_VIDEOPATH).videopath);
    } else if (m_miOpenUrl == menuItem) {
        if (!selected.empty()) {
            const QString id = GetAttribute(selected[0], "value").value_or(QString());
            QUrl url(QStringLiteral("http://%1/watch").arg(QLatin1String(kVideoSiteHost)));
            url.setQuery(QStringLiteral("v=") + QString::fromLatin1(QUrl::toPercentEncoding(id)));
            ShellOpen(url);
        }
    } else if (m_miOptions == menuItem) {
        OpenOptions();
    } else {
        return false;
    }
    PollQueue();
    return true;
}

void CMainFrame::RemoveSelected()
{
    CSelectedElementList selected;
    if (m_content.is_valid())
        SelectElements(m_content, "Option:checked", selected);
    for (const auto& row : selected) {
        const QString id = GetAttribute(row, "value").value_or(QString());
        const auto it = m_items.find(id);
        if (it == m_items.end())
            continue;
        // Only the job's own thumbnail goes, whatever path the record holds;
        // the video file stays, and a failure changes nothing.
        const QString thumb = it->second->Snapshot(DIF_THUMBPATH).thumbpath;
        if (!thumb.isEmpty() && thumb == PathCombine(GetTempFolderSetting(), id + QStringLiteral(".jpg")))
            QFile::remove(thumb);
        m_queue->Remove(it->second->m_pDownloader);
        m_items.erase(it);  // the row leaves the page, the job goes to Discard
    }
    if (m_content.is_valid())
        UpdateElement(m_content, true);
    if (!selected.empty())
        ScheduleSave();
}

void CMainFrame::OpenOptions()
{
    RunOptionsDialog();  // what it applies reaches the window through the settings' change
}

void CMainFrame::OnContextMenuSetup(HELEMENT, HELEMENT target)
{
    const QString tag = QString::fromStdString(target ? GetTagName(target) : std::string()).toLower();
    if (tag == QLatin1String("option")) {
        CSelectedElementList selected;
        if (m_content.is_valid())
            SelectElements(m_content, "Option:checked", selected);
        bool canRestart = false;
        bool canResume = false;
        bool canStop = false;
        for (const auto& row : selected) {
            if (CDownloadItem* item = ItemOfRow(row)) {
                const DownloaderInfo info = item->Snapshot(CMyYouTubeDownloader::DIF_RESUME_RULE);
                if (info.state == DS_DONE && info.error != DE_NONE)
                    canRestart = true;
                if (!canResume)  // the rule looks at the disk: once is enough
                    canResume = CMyYouTubeDownloader::CanResume(info);
                if (info.state != DS_DONE)
                    canStop = true;
            }
        }
        Enable(m_miRestart, canRestart);
        Enable(m_miResume, canResume);
        Enable(m_miStop, canStop);
        Enable(m_miSelectAll, true);
        Enable(m_miRemove, true);
        Enable(m_miOptions, true);
        if (selected.size() == 1) {
            Enable(m_miOpenUrl, true);
            bool canOpen = false;
            if (CDownloadItem* item = ItemOfRow(selected[0])) {
                const DownloaderInfo info = item->Snapshot(DIF_STATE | DIF_VIDEOPATH);
                canOpen = info.state == DS_DONE && !info.videopath.isEmpty();
            }
            Enable(m_miOpen, canOpen);
            Enable(m_miOpenFile, canOpen);
        } else {
            Enable(m_miOpenUrl, false);
            Enable(m_miOpen, false);
            Enable(m_miOpenFile, false);
        }
    } else if (tag == QLatin1String("body")) {
        for (HELEMENT he : {m_miOpen.get(), m_miOpenFile.get(), m_miRestart.get(), m_miResume.get(), m_miStop.get(),
                            m_miSelectAll.get(), m_miRemove.get(), m_miOpenUrl.get()})
            Enable(he, false);
        Enable(m_miOptions, true);
    }
}

bool CMainFrame::OnPopupRequest(HELEMENT popup, HELEMENT source)
{
    if (!m_thumbTip.is_valid() || m_thumbTip != popup)
        return false;
    if (m_thumbTipImg.is_valid())
        SetAttribute(m_thumbTipImg, "src", source ? GetAttribute(source, "src").value_or(QString()) : QString());
    return true;
}

void CMainFrame::ShowInFolder(const QString& path)
{
    if (path.trimmed().isEmpty())
        return;
    // The file manager shows the file selected; the path travels as a URI,
    // never through a shell. Its answer comes back through the event loop, so
    // a file manager that is slow or hangs never holds the window; without
    // one the folder itself is opened.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, kFileManagerWaitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [folder](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        if (answered->isError())
            ShellOpen(folder);
    });
}
