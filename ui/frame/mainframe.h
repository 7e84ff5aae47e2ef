#pragma once

#include "ui/page/downloaditem.h"
#include "ui/page/element.h"
#include "ui/page/eventhandler.h"
#include "ui/page/notificationhandler.h"

#include <QBasicTimer>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <unordered_map>

class CColorScheme;
class CDownloadNotifier;
class CDownloadQueue;
class CSleepInhibitor;
class QMimeData;

namespace layout {
class LayoutWebView;
struct LayoutInput;
}  // namespace layout

constexpr int TIMER_REFRESH = 123;
constexpr int TIMER_EXIT_WAIT = 124;
constexpr int TIMER_REFRESH_ELAPSE = 1000;    // ms between refreshes of the rows and the status bar
constexpr int TIMER_EXIT_WAIT_ELAPSE = 1000;  // ms between looks at the jobs still running at exit
constexpr int SAVE_DELAY = 1000;              // ms from a change of the list to its save
constexpr int QUEUE_POLL_ELAPSE = 250;        // ms between looks for a free slot while jobs wait

// The main window: a frameless, rounded top-level window whose whole area
// is the page. It owns the list items, dispatches the page's behaviour
// events, runs the add flow, the refresh timer and the exit rules. All of
// its decisions run against the page model; the view that shows the page
// is attached only when the window is created for the screen.
class CMainFrame : public QWidget, public htmlayout::event_handler, public htmlayout::notification_handler<CMainFrame> {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The window's creation: geometry, mask, then OnCreate. Without a view
    // the page lives in the model alone (tests of the window's logic).
    bool Create(bool withView);

    // The folders under the program folder, before app.xml replaces them.
    static void SetDefaultFolders(const QString& programFolder);
    bool LoadAppXml(const QString& path);
    int SaveAppXml(const QString& path);

    void OnAddVideo();
    // Addresses from outside the window (a drop, the command line, a second
    // start): each in turn goes into the address box and through the add
    // flow, after the current event; while a dialog of one is open, the
    // rest wait. Refused (false) once the window is on its way out.
    bool AddAddresses(const QStringList& addresses);
    // Asked for from outside (a second start, the desktop): the window comes
    // forward, unless it is on its way out. The desktop's activation token,
    // where the request brought one, is what lets a Wayland window do so.
    void BringForward(const QString& activationToken = QString());
    // A drop of links or text: each of its addresses is added; false when
    // the data holds none.
    bool OnDropAddress(const QMimeData* data);
    // The addresses in dropped data: text/uri-list first, then text.
    static QStringList DroppedAddresses(const QMimeData* data);
    void OnTimer(int nIDEvent);
    void OnClose();
    // The confirmed exit: refresh off, window hidden, every running job
    // stopped; the exit wait saves and ends once all have finished.
    void ExitAfterStopping();
    // The behaviour-event callback of the page.
    bool handle_event(HELEMENT he, BEHAVIOR_EVENT_PARAMS& params) override;

    HWND GetLayoutWindow() const { return m_hwnd; }
    layout::LayoutWebView* GetView() const { return m_view.get(); }
    bool IsTimerRunning(int nIDEvent) const;
    // Whether a press at this point of the page drags the window.
    bool HitTestCaption(const QPoint& pos) const;
    CDownloadNotifier& Notifier() const { return *m_notifier; }
    CColorScheme& ColorScheme() const { return *m_colorScheme; }

    QString m_strProgramFolder;
    QString m_strAppXmlPath;
    int AddressDlgLearn = 1;

protected:
    // What the user is asked or shown; tests answer in place of a person.
    virtual QMessageBox::StandardButton MessageBox(const QString& text, QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton);
    // The address dialog with AddressDlgLearn preset; 1 for OK, 2 otherwise.
    virtual int RunAddressDialog(int& learn);
    virtual void RunOptionsDialog();
    virtual void RunAboutDialog();
    // Opens the folder of a file with the file shown selected; never waits
    // for the file manager.
    virtual void ShowInFolder(const QString& path);
    // A new list item with its job; throws CInternetException when the job's
    // session is refused.
    virtual std::unique_ptr<CDownloadItem> NewItem();

    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Tests of the window's logic reach the page elements and the item table
    // through this one fixture (tests/frame/frameprobe.h).
    friend struct FrameProbe;

    int OnCreate(bool withView);
    void OnNcDestroy();
    void DestroyWindow();
    void SetTimer(int nIDEvent, int elapse);
    void KillTimer(int nIDEvent);
    bool OnInput(const layout::LayoutInput& input);

    enum class AddOutcome { Added, Incorrect, Duplicate, Failed };
    // The add flow for one trimmed address; with tell, a refusal shows its
    // dialog or message. The address box is left to the caller.
    AddOutcome AddAddress(const QString& address, bool tell);

    void OnButtonClick(HELEMENT button);
    bool OnMenuItemClick(HELEMENT item);
    void OnContextMenuSetup(HELEMENT menu, HELEMENT target);
    bool OnPopupRequest(HELEMENT popup, HELEMENT source);
    void RemoveSelected();
    void OpenOptions();
    // Starts waiting jobs whose slot has freed; looks again soon while any wait.
    void PollQueue();
    // What a change of the settings means for the window: the queue's limit, a save.
    void OnSettingsChanged();
    // The desktop's scheme on the page (its root's color-scheme attribute,
    // which the page's sheet follows) and on the dialogs (the palette).
    void ApplyColorScheme();
    // app.xml is written again soon after what it holds changed, so a crash
    // or a kill loses nothing; one timer gathers changes close together.
    void ScheduleSave();
    // Also tells the desktop of jobs that ended while the user looked elsewhere.
    void NoteFinishedJobs();
    bool IsActiveForUser() const;
    void AddPendingAddresses();
    bool AcceptDrag(QDropEvent* event) const;
    CDownloadItem* ItemOfRow(HELEMENT row) const;

    // Page elements, each holding one use; empty when the page lacks the id.
    htmlayout::dom::element m_top, m_bottom, m_minimize, m_close, m_url, m_add, m_content, m_statusBar, m_help,
        m_captionText, m_about, m_options, m_itemMenu, m_miOpen, m_miRestart, m_miResume, m_miStop, m_miSelectAll,
        m_miRemove, m_miOpenUrl, m_miOptions, m_miOpenFile, m_thumbTip, m_thumbTipImg;
    ItemTable m_items;  // video id -> item, owned
    // Decides when the items' jobs run; holds no job of its own.
    std::unique_ptr<CDownloadQueue> m_queue;

    HWND m_hwnd = nullptr;
    std::unique_ptr<layout::LayoutWebView> m_view;
    QBasicTimer m_timerRefresh;   // id TIMER_REFRESH
    QBasicTimer m_timerExitWait;  // id TIMER_EXIT_WAIT
    QBasicTimer m_timerSave;
    QBasicTimer m_timerQueue;
    std::unordered_map<QString, bool> m_finishedSeen;  // video id -> DS_DONE at the last look
    bool m_bLookedOnce = false;                        // the items read at start were looked at
    std::unique_ptr<CDownloadNotifier> m_notifier;
    std::unique_ptr<CSleepInhibitor> m_sleepInhibitor;  // held while a job downloads
    std::unique_ptr<CColorScheme> m_colorScheme;
    QStringList m_pendingAddresses;
    bool m_bAddsQueued = false;
    bool m_bAddingAddresses = false;
    bool m_bDestroying = false;
    bool m_bExiting = false;
    // False from a load that did not end: the list holds only part of the
    // stored one, and a save would lose the rest.
    bool m_bListLoaded = true;
};
