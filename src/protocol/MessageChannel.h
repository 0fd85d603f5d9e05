#pragma once
// The glue between a window and its reliable endpoint: the send operation
// every window uses, and the receive handler that turns delivered messages
// into blocks of the window's inbound queue.
//
// Sending: copy, encipher with the cipher, hand to SendReliable (which
// copies again). Receiving, on the endpoint's receive thread: decipher,
// check signature and code (OpenMessage), optionally let the window adjust
// or refuse the plaintext, then append it to the queue. Nothing else runs on
// the receive thread.
#include <cstdint>
#include <functional>
#include <vector>

#include "protocol/Encrypt.h"
#include "protocol/InboundQueue.h"

namespace kel {

class TPackUdp;

// Runs on the receive thread for each checked plaintext before it is
// queued; it may change the bytes (the hall writes the sender's address
// into one answer) and returns false to drop the message. It must be short
// and must not wait for the GUI thread.
using InboundFilter = std::function<bool(std::vector<uint8_t>& plain, uint32_t ip_net, uint16_t port)>;

// Enciphers `len` bytes of `msg` and sends them reliably. Never reports
// failure: a message that cannot be sent is lost like any other, and the
// caller notices by its own time-outs.
void SendMessage(TPackUdp& udp, TEncrypt& cipher, uint32_t ip_net, uint16_t port, const void* msg, int32_t len);

// Checks one delivered message and appends its plaintext to `queue`.
// Never throws.
void ReceiveMessage(TEncrypt& cipher, InboundQueue& queue, uint32_t ip_net, uint16_t port, const uint8_t* buf,
                    int32_t len, const InboundFilter& filter = {});

// Makes ReceiveMessage the endpoint's OnRecv. The cipher and the queue must
// outlive the endpoint's activity (the window deactivates its endpoint
// before freeing its queue).
void RouteInbound(TPackUdp& udp, TEncrypt& cipher, InboundQueue& queue, InboundFilter filter = {});

} // namespace kel
