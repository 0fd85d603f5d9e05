#include <arpa/inet.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/ManualLoop.h"
#include "transport/PackUdp.h"
#include "transport/Udp.h"

using namespace kel;
using namespace std::chrono_literals;

namespace {

std::unique_ptr<IDatagramEndpoint> RoomyEndpoint() {
    // A whole 65535-byte message arrives as one burst of 82 datagrams.
    auto udp = std::make_unique<TUDP>();
    udp->Socket().SetRecvBufSize(1 << 20);
    return udp;
}

} // namespace

TEST(PackUdpLoopback, MessagesAndPlainDatagramsCrossRealSockets) {
    ManualLoop loop;
    TPackUdp a(loop, RoomyEndpoint()), b(loop, RoomyEndpoint());
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::vector<uint8_t>> got;
    b.OnRecv = [&](TPackUdp& sender, uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
        EXPECT_EQ(&sender, &b);
        EXPECT_EQ(ip, htonl(INADDR_LOOPBACK));
        EXPECT_EQ(port, a.BoundPort());
        std::lock_guard g(m);
        got.emplace_back(buf, buf + len);
        cv.notify_all();
    };
    a.SetActive(true);
    b.SetActive(true);
    ASSERT_NE(a.BoundPort(), 0);
    ASSERT_NE(b.BoundPort(), 0);
    EXPECT_EQ(a.Port(), 0);

    std::vector<uint8_t> big(65535);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
    const std::vector<uint8_t> small(800, 0x42), plain = {'p', 'i', 'n', 'g'};
    const uint32_t lo = htonl(INADDR_LOOPBACK);
    a.SendReliable(lo, b.BoundPort(), big.data(), static_cast<int32_t>(big.size()));
    a.SendReliable(lo, b.BoundPort(), small.data(), static_cast<int32_t>(small.size()));
    a.SendData(lo, b.BoundPort(), plain.data(), static_cast<int32_t>(plain.size()), false);

    std::unique_lock g(m);
    ASSERT_TRUE(cv.wait_for(g, 10s, [&] { return got.size() >= 3; }));
    EXPECT_EQ(got[0], big);
    EXPECT_EQ(got[1], small);
    EXPECT_EQ(got[2], plain);
}
