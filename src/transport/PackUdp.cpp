#include "transport/PackUdp.h"

#include <cstring>
#include <thread>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "transport/Udp.h"

namespace kel {

TPackUdp::TPackUdp(ILoop& loop, std::unique_ptr<IDatagramEndpoint> endpoint)
    : timer_(loop, kResendIntervalMs), endpoint_(endpoint ? std::move(endpoint) : std::make_unique<TUDP>()) {
    timer_.OnTimer = [this](TTimer&) { OnResendTimer(); };
    endpoint_->OnRecv = [this](uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
        HandleRecv(ip, port, buf, len);
    };
}

TPackUdp::~TPackUdp() { SetActive(false); }

void TPackUdp::SetActive(bool on) {
    if (on == Active()) return;
    if (on) {
        endpoint_->SetPort(port_);
        endpoint_->SetActive(true);
        active_.store(true, std::memory_order_release);
        timer_.Tag = 0;
        timer_.SetEnabled(true);
        return;
    }
    timer_.SetEnabled(false);
    // The receive thread ends here, before the memory it alone uses is cleared.
    endpoint_->SetActive(false);
    active_.store(false, std::memory_order_release);
    DropState();
}

void TPackUdp::DropState() {
    seen_.Clear();
    {
        std::lock_guard g(out_lock_);
        last_chunk_id_ = 0;
        last_msg_no_ = 0;
        for (auto* e = pending_.First(); e; e = e->next) chunk_pool_.FreeBlock(e->value);
        pending_.Clear();
    }
    std::lock_guard g(asm_lock_);
    for (auto* e = partials_.First(); e; e = e->next)
        for (TPartialMsg* p = e->value; p;) {
            TPartialMsg* next = p->next;
            FreePartial(p);
            p = next;
        }
    partials_.Clear();
}

void TPackUdp::SendReliable(uint32_t ip_net, uint16_t port, const void* data, int32_t len) {
    SendData(ip_net, port, data, len, true);
}

void TPackUdp::SendData(uint32_t ip_net, uint16_t port, const void* data, int32_t len, bool reliable) {
    try {
        if (!reliable) {
            endpoint_->Send(ip_net, port, data, len);
            return;
        }
        // The length travels in 16 bits: a longer message would arrive as a
        // different, shorter one.
        if (len < 0 || len > kMaxMessage || !Active()) return;
        int32_t number;
        {
            std::lock_guard g(out_lock_);
            number = last_msg_no_ = NextMessageNumber(last_msg_no_);
        }
        const auto* p = static_cast<const uint8_t*>(data);
        for (int32_t offset = 0; offset < len;) {
            const int32_t n = std::min(kMaxPayload, len - offset);
            auto* c = static_cast<TPendingChunk*>(chunk_pool_.GetBlock(sizeof(TPendingChunk)));
            if (!c) return;
            int32_t id;
            {
                std::lock_guard g(out_lock_);
                id = last_chunk_id_ = NextChunkId(last_chunk_id_);
            }
            c->ip = ip_net;
            c->port = port;
            c->tries = 1;
            WireWriter w(kHeaderSize);
            w.I32(-1).I16(kTypeData).I32(id).U16(static_cast<uint16_t>(number)).U16(static_cast<uint16_t>(len));
            w.U16(static_cast<uint16_t>(offset)).U16(static_cast<uint16_t>(n));
            std::memcpy(c->wire, w.Data().data(), kHeaderSize);
            std::memcpy(c->wire + kHeaderSize, p + offset, static_cast<size_t>(n));
            // Recorded before it is sent, so that its acknowledgement always
            // finds it; sent from a copy, because that acknowledgement may
            // free the block while the send is still under way. (An
            // acknowledgement that found nothing would leave the chunk to be
            // resent needlessly, and a resend can reach the peer after it
            // has forgotten the chunk.)
            uint8_t wire[kHeaderSize + kMaxPayload];
            std::memcpy(wire, c->wire, static_cast<size_t>(kHeaderSize + n));
            {
                std::lock_guard g(out_lock_);
                c->last_sent = GetTickCount();
                pending_.Add(id, c);
            }
            try {
                endpoint_->Send(ip_net, port, wire, kHeaderSize + n);
            } catch (...) {
            }
            offset += n;
        }
    } catch (...) {
        // Sending never reports failure.
    }
}

void TPackUdp::HandleRecv(uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
    try {
        WireReader r(buf, static_cast<size_t>(len));
        if (len >= 6 && r.I32() == -1) {
            const int16_t type = r.I16();
            if (type == kTypeData)
                HandleChunk(ip, port, buf, len);
            else if (type == kTypeAck)
                HandleAck(buf, len);
            return;
        }
        if (OnRecv) OnRecv(*this, ip, port, buf, len);
    } catch (...) {
        // Neither a handler's failure nor a bad datagram may end the receive thread.
    }
}

void TPackUdp::HandleChunk(uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
    WireReader r(buf, static_cast<size_t>(len));
    r.Skip(6);
    const int32_t id = r.I32();
    const uint16_t number = r.U16();
    const uint16_t total = r.U16();
    const uint16_t offset = r.U16();
    const uint16_t plen = r.U16();
    if (!r.Ok() || len != kHeaderSize + plen) return;
    // A chunk that reaches past its message is malformed: not acknowledged,
    // never copied.
    if (plen > total || offset > total - plen) return;

    // Every valid chunk is acknowledged, a duplicate as well. A new one is
    // acknowledged right after it has been handed on: an answer the owner
    // sends from its handler then leaves before the acknowledgement rather
    // than queueing behind it.
    struct Ack {
        TPackUdp& self;
        uint32_t ip;
        uint16_t port;
        int32_t id;
        ~Ack() {
            try {
                WireWriter w(kAckSize);
                w.I32(-1).I16(kTypeAck).I32(id);
                self.endpoint_->Send(ip, port, w.Data().data(), kAckSize);
            } catch (...) {
            }
        }
    } ack{*this, ip, port, id};

    if (!seen_.Remember(ip, port, id)) return; // a duplicate
    const uint8_t* payload = buf + kHeaderSize;
    if (total == plen) {
        if (OnRecv) OnRecv(*this, ip, port, payload, plen);
        return;
    }
    Reassemble(ip, port, number, total, offset, payload, plen);
}

void TPackUdp::Reassemble(uint32_t ip, uint16_t port, int32_t number, uint16_t total, uint16_t offset,
                          const uint8_t* payload, uint16_t len) {
    std::lock_guard g(asm_lock_);
    const uint32_t key = PeerKey(ip, port);
    TPartialMsg* head = nullptr;
    partials_.Find(static_cast<int32_t>(key), head);
    TPartialMsg* p = head;
    while (p && !(p->ip == ip && p->port == port && p->number == number)) p = p->next;
    if (!p) {
        p = static_cast<TPartialMsg*>(partial_pool_.GetBlock(sizeof(TPartialMsg)));
        if (!p) return;
        // Zeroed, so that overlapping chunks can never deliver stale memory.
        auto* buffer = new (std::nothrow) uint8_t[total]();
        if (!buffer) {
            partial_pool_.FreeBlock(p);
            return;
        }
        *p = TPartialMsg{number, total, 0, buffer, GetTickCount(), ip, port, nullptr, nullptr};
        if (head) {
            p->prev = head;
            p->next = head->next;
            if (head->next) head->next->prev = p;
            head->next = p;
        } else {
            partials_.Add(static_cast<int32_t>(key), p);
        }
    } else if (p->total != total) {
        return; // not a piece of this message
    }
    std::memcpy(p->buffer + offset, payload, len);
    p->received = static_cast<uint16_t>(p->received + len);
    if (p->received != p->total) return;
    try {
        if (OnRecv) OnRecv(*this, ip, port, p->buffer, p->total);
    } catch (...) {
        // The message is finished either way.
    }
    Unlink(key, p);
    FreePartial(p);
}

void TPackUdp::Unlink(uint32_t peer_key, TPartialMsg* p) {
    if (p->prev) {
        p->prev->next = p->next;
    } else if (p->next) {
        partials_.SetValue(static_cast<int32_t>(peer_key), p->next);
    } else {
        partials_.Delete(static_cast<int32_t>(peer_key));
    }
    if (p->next) p->next->prev = p->prev;
}

void TPackUdp::FreePartial(TPartialMsg* p) {
    delete[] p->buffer;
    partial_pool_.FreeBlock(p);
}

void TPackUdp::HandleAck(const uint8_t* buf, int32_t len) {
    if (len != kAckSize) return;
    WireReader r(buf, static_cast<size_t>(len));
    r.Skip(6);
    const int32_t id = r.I32();
    std::lock_guard g(out_lock_);
    TPendingChunk* c = nullptr;
    if (!pending_.Find(id, c)) return;
    pending_.Delete(id);
    chunk_pool_.FreeBlock(c);
}

int32_t TPackUdp::PendingCount() const {
    std::lock_guard g(out_lock_);
    return pending_.Count();
}

int32_t TPackUdp::PartialCount() const {
    std::lock_guard g(asm_lock_);
    int32_t n = 0;
    for (auto* e = partials_.First(); e; e = e->next)
        for (TPartialMsg* p = e->value; p; p = p->next) ++n;
    return n;
}

void TPackUdp::OnResendTimer() {
    if (busy_) return;
    busy_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{busy_};
    const Tick now = GetTickCount();
    {
        std::lock_guard g(out_lock_);
        for (auto* e = pending_.First(); e;) {
            auto* next = e->next;
            TPendingChunk* c = e->value;
            if (TickDiff(now, c->last_sent) > c->tries * 200 + 500) {
                try {
                    endpoint_->Send(c->ip, c->port, c->wire, c->WireLen());
                } catch (...) {
                }
                // Spreads a burst of resends so the peer's socket can drain.
                std::this_thread::yield();
                c->last_sent = now;
                ++c->tries;
            }
            if (c->tries >= kMaxTransmissions) {
                pending_.Delete(e->key);
                chunk_pool_.FreeBlock(c);
            }
            e = next;
        }
    }
    if (++timer_.Tag % kPurgeEveryTicks == 0) PurgeOldPartials(now);
}

void TPackUdp::PurgeOldPartials(Tick now) {
    std::lock_guard g(asm_lock_);
    for (auto* e = partials_.First(); e;) {
        auto* next_entry = e->next;
        const auto key = static_cast<uint32_t>(e->key);
        for (TPartialMsg* p = e->value; p;) {
            TPartialMsg* next = p->next;
            if (TickElapsed(now, p->created) > kPartialLifetimeMs) {
                Unlink(key, p); // may delete entry e; next_entry is already taken
                FreePartial(p);
            }
            p = next;
        }
        e = next_entry;
    }
}

} // namespace kel
