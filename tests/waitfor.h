#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// Runs the event loop, deferred deletions included, until pred() holds or
// the time is up; returns pred(). A short sleep between looks keeps a
// predicate that asks another process (a DevTools call) from spinning.
template <class Pred>
bool WaitFor(Pred pred, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(5);
    }
    return true;
}

// Runs the event loop for ms: for what has no condition to wait on.
inline void Pump(int ms)
{
    WaitFor([] { return false; }, ms);
}
