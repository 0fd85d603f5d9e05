// Two media endpoints over real loopback sockets: data packets reach
// OnMediaPack whole, other datagrams reach OnRecv, a resend request is
// answered from the ring, and the sweep runs only while the endpoint is open.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "media/BufferUdp.h"
#include "platform/ManualLoop.h"
#include "protocol/MediaPackets.h"

namespace kel {
namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

struct Inbox {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::vector<uint8_t>> media, plain;
    void Add(std::vector<std::vector<uint8_t>>& to, const uint8_t* b, int32_t n) {
        std::lock_guard g(m);
        to.emplace_back(b, b + n);
        cv.notify_all();
    }
    // Waits for the receive thread (a real event, bounded generously).
    bool WaitFor(size_t media_n, size_t plain_n) {
        std::unique_lock g(m);
        return cv.wait_for(g, std::chrono::seconds(10),
                           [&] { return media.size() >= media_n && plain.size() >= plain_n; });
    }
};

TEST(BufferUdpLoopback, PacketsRequestsAndPlainDatagrams)
{
    ManualLoop loop;
    TBufferUDP tx(loop), rx(loop);
    Inbox txIn, rxIn;
    rx.OnMediaPack = [&](uint32_t, uint16_t, const uint8_t* b, int32_t n) { rxIn.Add(rxIn.media, b, n); };
    rx.OnRecv = [&](uint32_t, uint16_t, const uint8_t* b, int32_t n) { rxIn.Add(rxIn.plain, b, n); };
    tx.OnMediaPack = [&](uint32_t, uint16_t, const uint8_t* b, int32_t n) { txIn.Add(txIn.media, b, n); };
    tx.OnRecv = [&](uint32_t, uint16_t, const uint8_t* b, int32_t n) { txIn.Add(txIn.plain, b, n); };
    tx.SetActive(true);
    rx.SetActive(true);
    ASSERT_TRUE(tx.Active() && rx.Active());

    const uint8_t payload[4] = {1, 2, 3, 4};
    ASSERT_TRUE(tx.SendPack(kMediaChannelAudio, kLoopback, rx.BoundPort(), payload, 4));
    const uint8_t plain[5] = {9, 9, 9, 9, 9};
    tx.Send(kLoopback, rx.BoundPort(), plain, 5);
    ASSERT_TRUE(rxIn.WaitFor(1, 1));
    auto p = ParsePack(rxIn.media[0].data(), int32_t(rxIn.media[0].size()));
    EXPECT_EQ(p.channel, kMediaChannelAudio);
    ASSERT_EQ(p.size, 4);
    EXPECT_EQ(std::vector<uint8_t>(p.payload, p.payload + 4), std::vector<uint8_t>(payload, payload + 4));
    EXPECT_EQ(rxIn.plain[0].size(), 5u);

    // A request from the receiver is answered from the sender's ring.
    const auto req = WriteMediaResend({0, kMediaChannelAudio});
    rx.Send(kLoopback, tx.BoundPort(), req.data(), int32_t(req.size()));
    // The repeat reaches the receiver as a data packet again.
    ASSERT_TRUE(rxIn.WaitFor(2, 1));
    EXPECT_EQ(rxIn.media[1], rxIn.media[0]);
    EXPECT_TRUE(txIn.plain.empty());

    // Three packets on the video channel arrive in order, leaving no gap.
    for (uint8_t i = 0; i < 3; ++i) tx.SendPack(kMediaChannelVideo, kLoopback, rx.BoundPort(), &i, 1);
    ASSERT_TRUE(rxIn.WaitFor(5, 1));
    // A packet numbered past the stream leaves a gap the sweep asks for.
    EXPECT_EQ(rx.Channels().MissingCount(kMediaChannelVideo), 0);
    auto jump = MediaDataPacket(5, kMediaChannelVideo, std::vector<uint8_t>{7});
    tx.Send(kLoopback, rx.BoundPort(), jump.data(), int32_t(jump.size()));
    ASSERT_TRUE(rxIn.WaitFor(6, 1));
    EXPECT_EQ(rx.Channels().MissingCount(kMediaChannelVideo), 2);  // 3 and 4
    loop.AdvanceBy(TBufferUDP::kSweepMs);
    // The sender never sent 3 and 4, so its ring has nothing to answer.
    EXPECT_EQ(rx.Channels().RequestsSent(), 2u);

    rx.SetActive(false);
    loop.AdvanceBy(10 * TBufferUDP::kSweepMs);
    EXPECT_EQ(rx.Channels().RequestsSent(), 2u) << "no sweep while closed";
}

}  // namespace
}  // namespace kel
