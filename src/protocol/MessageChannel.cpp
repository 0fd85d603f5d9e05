#include "protocol/MessageChannel.h"

#include "protocol/Envelope.h"
#include "transport/PackUdp.h"

namespace kel {

void SendMessage(TPackUdp& udp, TEncrypt& cipher, uint32_t ip_net, uint16_t port, const void* msg, int32_t len) {
    if (len < 0 || (len > 0 && !msg))
        return;
    try {
        const std::vector<uint8_t> sealed = SealMessage(cipher, static_cast<const uint8_t*>(msg), static_cast<size_t>(len));
        udp.SendReliable(ip_net, port, sealed.data(), static_cast<int32_t>(sealed.size()));
    } catch (...) {
        // Sending never fails towards the window.
    }
}

void ReceiveMessage(TEncrypt& cipher, InboundQueue& queue, uint32_t ip_net, uint16_t port, const uint8_t* buf,
                    int32_t len, const InboundFilter& filter) {
    if (len < 0 || (len > 0 && !buf))
        return;
    try {
        std::optional<std::vector<uint8_t>> plain = OpenMessage(cipher, buf, static_cast<size_t>(len));
        if (!plain)
            return;
        if (filter && !filter(*plain, ip_net, port))
            return;
        queue.Push(std::move(*plain));
    } catch (...) {
        // A filter that throws drops its message; the receive thread goes on.
    }
}

void RouteInbound(TPackUdp& udp, TEncrypt& cipher, InboundQueue& queue, InboundFilter filter) {
    udp.OnRecv = [&cipher, &queue, filter = std::move(filter)](TPackUdp&, uint32_t ip_net, uint16_t port,
                                                                const uint8_t* buf, int32_t len) {
        ReceiveMessage(cipher, queue, ip_net, port, buf, len, filter);
    };
}

} // namespace kel
