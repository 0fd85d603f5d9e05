#include "shell/QtLoop.h"

#include <QMetaObject>

namespace kel {

QtLoop::QtLoop(QObject* parent) : QObject(parent) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, [this] { FireDue(); });
}

QtLoop::~QtLoop() = default;

void QtLoop::Post(std::function<void()> task) {
    PushTask(std::move(task));
    // A queued call into this object's thread; safe from any thread. Each
    // call drains the whole queue, so surplus wake-ups find it empty.
    QMetaObject::invokeMethod(this, [this] { RunPostedTasks(); }, Qt::QueuedConnection);
}

void QtLoop::TimersChanged() {
    // Always at once: a handler may open a modal dialog, whose nested event
    // loop must keep the other timers running.
    Reschedule();
}

void QtLoop::Reschedule() {
    const int32_t ms = MsUntilNextDue(Now());
    if (ms < 0)
        wake_.stop();
    else
        wake_.start(ms);
}

void QtLoop::FireDue() {
    // Only the timers due now: each is re-armed into the future before its
    // handler runs, so a nested event loop inside a handler cannot fire it
    // twice for one period.
    Armed a{};
    const Tick now = Now();
    while (NextDue(now, a)) Fire(a, Now());
    Reschedule();
}

} // namespace kel
