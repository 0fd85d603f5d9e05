#pragma once
// TPackUdp: a message channel with delivery confirmation over one datagram
// endpoint. A message of up to 65535 bytes is cut into chunks of at most 800
// bytes, each sent in its own datagram behind an 18-byte header; the
// receiver acknowledges every chunk, suppresses duplicates and reassembles
// the message; unacknowledged chunks are sent again from a 500 ms timer, at
// most 4 transmissions in all, after which the message is given up without
// notice. There is no ordering between messages. Datagrams without this
// layer's header pass through unchanged in both directions.
//
// Wire (little-endian), every datagram of the layer starts with FF FF FF FF:
//   data chunk  int32 -1, int16 1000, int32 chunk id, uint16 message number,
//               uint16 total length, uint16 offset, uint16 payload length,
//               payload (the datagram is exactly 18 + payload length bytes)
//   ack         int32 -1, int16 1001, int32 chunk id (exactly 10 bytes)
//
// Threads: OnRecv runs on the endpoint's receive thread (for a reassembled
// message while the reassembly lock is held: copy and queue, never wait for
// the GUI thread). SendData and SendReliable may be called from any thread.
// SetActive and the resend timer belong to the loop's thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "foundation/BlockMemoryMng.h"
#include "foundation/DataStructure.h"
#include "platform/Loop.h"
#include "platform/Timer.h"
#include "transport/DatagramEndpoint.h"
#include "transport/SeenChunks.h"

namespace kel {

class TPackUdp {
public:
    static constexpr int32_t kHeaderSize = 18;
    static constexpr int32_t kAckSize = 10;
    static constexpr int32_t kMaxPayload = 800;
    static constexpr int32_t kMaxMessage = 65535;
    static constexpr int16_t kTypeData = 1000;
    static constexpr int16_t kTypeAck = 1001;
    static constexpr uint32_t kResendIntervalMs = 500;
    static constexpr int32_t kMaxTransmissions = 4;
    static constexpr int32_t kSeenChunkMemory = 5000;
    static constexpr uint32_t kPartialLifetimeMs = 600000;
    static constexpr intptr_t kPurgeEveryTicks = 60;

    // Without an endpoint the layer makes its own TUDP.
    explicit TPackUdp(ILoop& loop, std::unique_ptr<IDatagramEndpoint> endpoint = {});
    ~TPackUdp();
    TPackUdp(const TPackUdp&) = delete;
    TPackUdp& operator=(const TPackUdp&) = delete;

    // True opens the endpoint on Port (raising what the endpoint raises) and
    // starts the resend timer. False stops both and forgets every pending
    // chunk, partial message and remembered chunk; numbering starts again.
    void SetActive(bool on);
    bool Active() const { return active_.load(std::memory_order_acquire); }

    void SetPort(uint16_t port) { port_ = port; }
    uint16_t Port() const { return port_; }
    uint16_t BoundPort() const { return endpoint_->BoundPort(); }

    // One message. Reliable: cut into acknowledged chunks (a message longer
    // than 65535 bytes is refused and nothing is sent; a message of 0 bytes
    // sends nothing but uses a message number). Not reliable: one plain
    // datagram. Never reports failure.
    void SendData(uint32_t ip_net, uint16_t port, const void* data, int32_t len, bool reliable);
    void SendReliable(uint32_t ip_net, uint16_t port, const void* data, int32_t len);

    // Every complete message and every plain datagram.
    std::function<void(TPackUdp& sender, uint32_t ip_net, uint16_t port, const uint8_t* buf, int32_t len)> OnRecv;

    IDatagramEndpoint& Endpoint() { return *endpoint_; }
    // Chunks sent and not yet acknowledged nor given up.
    int32_t PendingCount() const;
    // Messages being reassembled.
    int32_t PartialCount() const;

    // Numbering: chunk ids run 1 ... 2147483646, 0, 1, ...; message numbers
    // 1 ... 65530, 0, 1, ...
    static int32_t NextChunkId(int32_t last) { return last >= 2147483646 ? 0 : last + 1; }
    static int32_t NextMessageNumber(int32_t last) { return last + 1 > 65530 ? 0 : last + 1; }
    // Identifies a sender's chain of partial messages; it can collide between
    // two senders, so each partial message also keeps its exact address.
    static uint32_t PeerKey(uint32_t ip_net, uint16_t port) {
        return ip_net ^ ((static_cast<uint32_t>(port) << 16) | (~static_cast<uint32_t>(port) & 0xFFFFu));
    }

private:
    struct TPendingChunk {
        uint32_t ip;
        uint16_t port;
        int32_t tries;      // transmissions so far
        uint32_t last_sent; // tick of the last transmission
        uint8_t wire[kHeaderSize + kMaxPayload];
        int32_t WireLen() const { return kHeaderSize + (wire[16] | (wire[17] << 8)); }
    };
    struct TPartialMsg {
        int32_t number;
        uint16_t total;
        uint16_t received; // bytes, 16-bit arithmetic
        uint8_t* buffer;   // total bytes, zeroed at creation
        uint32_t created;  // tick
        uint32_t ip;       // the sender, exactly
        uint16_t port;
        TPartialMsg* prev;
        TPartialMsg* next;
    };
    // Records live in pool blocks: each pool is sized from the record itself.
    static_assert(TBlockMemoryMng::Fits<TPendingChunk>());
    static_assert(TBlockMemoryMng::Fits<TPartialMsg>());

    void HandleRecv(uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len);
    void HandleChunk(uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len);
    void HandleAck(const uint8_t* buf, int32_t len);
    void Reassemble(uint32_t ip, uint16_t port, int32_t number, uint16_t total, uint16_t offset,
                    const uint8_t* payload, uint16_t len);
    void Unlink(uint32_t peer_key, TPartialMsg* p);
    void FreePartial(TPartialMsg* p);
    void OnResendTimer();
    void PurgeOldPartials(Tick now);
    void DropState();

    mutable std::mutex out_lock_; // pending list and numbering
    mutable std::mutex asm_lock_; // partial messages
    TBlockMemoryMng chunk_pool_{sizeof(TPendingChunk)};
    TBlockMemoryMng partial_pool_{sizeof(TPartialMsg)};
    // Seen-chunk memory (receive thread only).
    SeenChunks seen_{kSeenChunkMemory};
    THashList<TPendingChunk*> pending_{1000};
    THashList<TPartialMsg*> partials_{1000}; // peer key -> first partial message
    int32_t last_chunk_id_ = 0;
    int32_t last_msg_no_ = 0;
    std::atomic<bool> active_{false};
    uint16_t port_ = 0;
    bool busy_ = false;
    TTimer timer_;
    // Last, so that it goes first: its receive thread calls into the above.
    std::unique_ptr<IDatagramEndpoint> endpoint_;
};

} // namespace kel
