#pragma once

#include <QSocketNotifier>
#include <QStringList>
#include <memory>

class CApplicationService;
class CMainFrame;
class HandOverServer;

// The application object: one copy per user and data folder, the main
// window, and the exit code once the window is gone.
class CquenbyApp {
public:
    // The design's single-instance name; the guard's socket name starts with it.
    static constexpr const char* kInstanceName = "{160AFF58-2421-47e6-BEB2-262334CADCC6}";
    // The guard's socket name: kInstanceName, a dash and a hash of the user
    // id and the canonical data folder, so that each user (and each data
    // folder, as in the tests) has a copy of its own while two copies never
    // share one app.xml.
    static QString InstanceName();

    CquenbyApp();
    ~CquenbyApp();
    CquenbyApp(const CquenbyApp&) = delete;
    CquenbyApp& operator=(const CquenbyApp&) = delete;

    // Takes the guard before anything costly; false for a second copy.
    bool TakeInstanceGuard();
    enum class SecondStart { HandedOver, Running, Failed };
    // A second copy's addresses go to the running copy over the guard's
    // socket. While that copy refuses them (it is on its way out) or does
    // not answer, this one tries again, and it becomes the running copy
    // itself once the other has ended. Failed after kSecondStartWaitMs.
    SecondStart HandOverOrTakeGuard(const QStringList& addresses);
    static constexpr int kSecondStartWaitMs = 30000;
    // Added by the add flow once the window is there.
    void SetStartAddresses(const QStringList& addresses) { m_startAddresses = addresses; }
    // Creates, centres and shows the main window; true to run the event loop.
    bool InitInstance();
    int ExitInstance();

private:
    // SIGTERM, SIGINT and SIGHUP reach the event loop through a pipe and
    // take the window's confirmed exit.
    void WatchExitSignals(CMainFrame* frame);
    // Addresses a later start hands over go to the window's add flow.
    void TakeHandedAddresses(CMainFrame* frame);

    std::unique_ptr<HandOverServer> m_hInstanceEvent;
    // The desktop's way to the running copy besides the socket.
    std::unique_ptr<CApplicationService> m_appService;
    std::unique_ptr<QSocketNotifier> m_signalNotifier;
    QStringList m_startAddresses;
};
