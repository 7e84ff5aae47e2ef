#pragma once

#include <QLocalServer>
#include <QSocketNotifier>
#include <memory>

class CMainFrame;

// The application object: one copy per user session, the main window, and
// the exit code once the window is gone.
class CquenbyApp {
public:
    // The name of the single-instance guard.
    static constexpr const char* kInstanceName = "{160AFF58-2421-47e6-BEB2-262334CADCC6}";

    CquenbyApp() = default;
    ~CquenbyApp();
    CquenbyApp(const CquenbyApp&) = delete;
    CquenbyApp& operator=(const CquenbyApp&) = delete;

    // Takes the guard before anything costly; false for a second copy.
    bool TakeInstanceGuard();
    // Creates, centres and shows the main window; true to run the event loop.
    bool InitInstance();
    int ExitInstance();

private:
    // SIGTERM, SIGINT and SIGHUP reach the event loop through a pipe and
    // take the window's confirmed exit.
    void WatchExitSignals(CMainFrame* frame);

    std::unique_ptr<QLocalServer> m_hInstanceEvent;
    std::unique_ptr<QSocketNotifier> m_signalNotifier;
};
