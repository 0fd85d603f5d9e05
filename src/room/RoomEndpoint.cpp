#include "room/RoomEndpoint.h"

#include <atomic>

#include "platform/Loop.h"
#include "platform/Timer.h"

namespace kel {

namespace {

std::atomic<int> g_lingering{0};

class TLinger {
public:
    TLinger(ILoop& loop, std::unique_ptr<IRoomEndpoint> endpoint, uint32_t max_ms)
        : loop_(loop), endpoint_(std::move(endpoint)), max_ms_(max_ms), start_(loop.Now()), timer_(loop, kPollMs) {
        ++g_lingering;
        timer_.OnTimer = [this](TTimer&) { Check(); };
        timer_.SetEnabled(true);
    }
    ~TLinger() { --g_lingering; }

private:
    static constexpr uint32_t kPollMs = 20;

    void Check() {
        if (endpoint_->PendingCount() > 0 && TickElapsed(loop_.Now(), start_) < max_ms_) return;
        timer_.SetEnabled(false);
        try {
            endpoint_->SetActive(false);
        } catch (...) {
            // Closing a socket that is going away anyway.
        }
        // Not from inside our own timer's handler.
        loop_.Post([this] { delete this; });
    }

    ILoop& loop_;
    std::unique_ptr<IRoomEndpoint> endpoint_;
    uint32_t max_ms_;
    Tick start_;
    TTimer timer_;
};

} // namespace

void LingerAndClose(ILoop& loop, std::unique_ptr<IRoomEndpoint> endpoint, uint32_t max_ms) {
    if (!endpoint) return;
    if (!endpoint->Active() || endpoint->PendingCount() == 0) {
        try {
            endpoint->SetActive(false);
        } catch (...) {
        }
        return;
    }
    new TLinger(loop, std::move(endpoint), max_ms);
}

int LingeringEndpoints() { return g_lingering.load(); }

} // namespace kel
