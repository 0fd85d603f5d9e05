#pragma once
// The reliable echo peer: every message that arrives through its TPackUdp
// is opened (deciphered and checked, unless plain), sealed again and sent
// back to its sender. In counting mode it only opens and counts, which is
// how the bench measures one-way message rates.
#include <arpa/inet.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchCodec.h"
#include "protocol/Envelope.h"
#include "transport/PackUdp.h"
#include "transport/Udp.h"

namespace kel::bench {

// Socket buffers for the bench's endpoints, raw and reliable alike, so
// that a burst of chunks is not lost in the socket.
constexpr int32_t kBenchSocketBuffer = 4 << 20;

inline std::unique_ptr<IDatagramEndpoint> BenchEndpoint() {
    auto udp = std::make_unique<TUDP>();
    udp->Socket().SetRecvBufSize(kBenchSocketBuffer);
    udp->Socket().SetSendBufSize(kBenchSocketBuffer);
    return udp;
}

class EchoPeer {
public:
    EchoPeer(ILoop& loop, MessageCodec& codec, uint16_t port, bool log)
        : pack(loop, BenchEndpoint()), codec_(codec), log_(log) {
        pack.SetPort(port);
        pack.OnRecv = [this](TPackUdp& sender, uint32_t ip, uint16_t from_port, const uint8_t* buf, int32_t len) {
            auto plain = codec_.Open(buf, static_cast<size_t>(len));
            if (!plain) {
                dropped++;
                if (log_) Log("dropped", ip, from_port, len, nullptr);
                return;
            }
            if (counting.load(std::memory_order_relaxed)) {
                counted.fetch_add(1, std::memory_order_release);
                return;
            }
            const auto sealed = codec_.Seal(plain->data(), plain->size());
            sender.SendReliable(ip, from_port, sealed.data(), static_cast<int32_t>(sealed.size()));
            echoed++;
            if (log_) Log("echo", ip, from_port, len, &*plain);
        };
    }

    TPackUdp pack;
    std::atomic<bool> counting{false};
    std::atomic<uint64_t> counted{0}, echoed{0}, dropped{0};

private:
    // One line per message: what happened, the sender, the sizes and, for a
    // message that opened, its command code.
    void Log(const char* what, uint32_t ip, uint16_t port, int32_t len, const std::vector<uint8_t>* plain) {
        char addr[INET_ADDRSTRLEN] = "?";
        in_addr a{};
        a.s_addr = ip;
        inet_ntop(AF_INET, &a, addr, sizeof addr);
        if (plain && plain->size() >= kEnvelopeHead) {
            std::printf("%s %s:%u %d bytes, plaintext %zu bytes, code %d\n", what, addr, static_cast<unsigned>(port),
                        len, plain->size(), MessageCode(*plain));
        } else {
            std::printf("%s %s:%u %d bytes\n", what, addr, static_cast<unsigned>(port), len);
        }
        std::fflush(stdout);
    }

    MessageCodec& codec_;
    bool log_;
};

} // namespace kel::bench
