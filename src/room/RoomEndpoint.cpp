#include "room/RoomEndpoint.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Loop.h"
#include "platform/Timer.h"

namespace kel {

namespace {

std::atomic<int> g_lingering{0};

class TLinger;
// The lingering endpoints (loop thread only).
std::vector<TLinger*>& Lingering() {
    static std::vector<TLinger*> all;
    return all;
}

class TLinger {
public:
    TLinger(ILoop& loop, std::unique_ptr<IRoomEndpoint> endpoint, uint32_t max_ms)
        : loop_(loop), endpoint_(std::move(endpoint)), max_ms_(max_ms), start_(loop.Now()), timer_(loop, kPollMs) {
        ++g_lingering;
        Lingering().push_back(this);
        timer_.OnTimer = [this](TTimer&) { Check(); };
        timer_.SetEnabled(true);
    }
    ~TLinger() {
        --g_lingering;
        std::erase(Lingering(), this);
    }

    bool Pending() const { return endpoint_->PendingCount() > 0; }
    void Close() {
        timer_.SetEnabled(false);
        try {
            endpoint_->SetActive(false);
        } catch (...) {
        }
    }

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
        // Done: not to be finished again at the end, and freed, but not from
        // inside our own timer's handler.
        std::erase(Lingering(), this);
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

void FinishLingeringEndpoints(uint32_t max_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_ms);
    auto& all = Lingering();
    while (std::any_of(all.begin(), all.end(), [](TLinger* l) { return l->Pending(); }) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    while (!all.empty()) {
        TLinger* l = all.back();
        l->Close();
        delete l; // leaves the list
    }
}

} // namespace kel
