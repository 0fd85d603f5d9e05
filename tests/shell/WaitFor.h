#pragma once
// Runs the Qt event loop until `done` holds, for at most `limit_ms` of real
// time. For things that arrive over real sockets; nothing here stands in
// for a time-out of the code under test, which runs on virtual time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <class F>
bool WaitFor(F done, int limit_ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limit_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
