#include "quenbyapp.h"

#include "ui/frame/mainframe.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

CquenbyApp::~CquenbyApp() = default;

bool CquenbyApp::TakeInstanceGuard()
{
    // An abstract socket name is taken atomically and freed by the kernel
    // when the process ends, however it ends.
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(QString::fromLatin1(kInstanceName)))
        return false;
    m_hInstanceEvent = std::move(server);
    return true;
}

bool CquenbyApp::InitInstance()
{
    if (!m_hInstanceEvent && !TakeInstanceGuard())
        return false;
    QApplication::setQuitOnLastWindowClosed(false);

    auto* frame = new CMainFrame;  // deletes itself when its window is destroyed
    QObject::connect(frame, &QObject::destroyed, qApp, [] { QCoreApplication::exit(0); });
    frame->Create(true);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frame->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        frame->move(r.topLeft());
    }
    frame->show();
    frame->repaint();
    return true;
}

int CquenbyApp::ExitInstance()
{
    m_hInstanceEvent.reset();
    return 0;
}
