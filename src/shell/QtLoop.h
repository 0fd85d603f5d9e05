#pragma once
// The platform loop on Qt's event loop: every TTimer of the core fires on the
// GUI thread, and Post() from any thread (the receive threads) runs its task
// there too. One single-shot QTimer always points at the first due timer.
#include <QObject>
#include <QTimer>

#include "platform/Loop.h"

namespace kel {

class QtLoop : public QObject, public ILoop {
    Q_OBJECT
public:
    explicit QtLoop(QObject* parent = nullptr);
    ~QtLoop() override;

    Tick Now() const override { return GetTickCount(); }
    void Post(std::function<void()> task) override;

protected:
    void TimersChanged() override;

private:
    void FireDue();
    void Reschedule();

    QTimer wake_;
};

} // namespace kel
