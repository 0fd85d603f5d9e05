#pragma once
// What a room window needs of its reliable datagram endpoint, so that the
// room's logic runs on the real TPackUdp in the program and on an in-memory
// endpoint in tests.
#include <cstdint>
#include <functional>
#include <memory>

namespace kel {

class ILoop;

class IRoomEndpoint {
public:
    virtual ~IRoomEndpoint() = default;
    // Opening may throw what the socket layer throws.
    virtual void SetActive(bool on) = 0;
    virtual bool Active() const = 0;
    virtual void SendReliable(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len) = 0;
    // Chunks sent and not yet acknowledged nor given up.
    virtual int32_t PendingCount() const = 0;

    // Every complete message, on the endpoint's receive thread.
    std::function<void(uint32_t ip_net, uint16_t port, const uint8_t* data, int32_t len)> OnRecv;
};

// Keeps a closing window's endpoint open until everything it sent last (the
// leave request) is acknowledged or `max_ms` have passed, then closes and
// frees it. The window itself need not wait.
void LingerAndClose(ILoop& loop, std::unique_ptr<IRoomEndpoint> endpoint, uint32_t max_ms);

// Endpoints still lingering (for tests and for an orderly exit).
int LingeringEndpoints();

// At the program's end, when no loop runs any more: waits in real time (at
// most `max_ms`) until the lingering endpoints have no unacknowledged
// chunks, then closes and frees them all.
void FinishLingeringEndpoints(uint32_t max_ms);

} // namespace kel
