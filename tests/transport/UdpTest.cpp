#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "transport/Udp.h"

using namespace kel;
using namespace std::chrono_literals;

namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// Collects what an endpoint's receive thread hands up.
struct Inbox {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::vector<uint8_t>> got;
    std::vector<uint16_t> from_ports;

    void Attach(TUDP& udp) {
        udp.OnRecv = [this](uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
            EXPECT_EQ(ip, kLoopback);
            std::lock_guard g(m);
            got.emplace_back(buf, buf + len);
            from_ports.push_back(port);
            cv.notify_all();
        };
    }
    // Waits for real datagrams on real sockets; the deadline only guards
    // against a hang.
    bool WaitFor(size_t n) {
        std::unique_lock g(m);
        return cv.wait_for(g, 10s, [&] { return got.size() >= n; });
    }
    size_t Count() {
        std::lock_guard g(m);
        return got.size();
    }
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

} // namespace

TEST(UdpEndpoint, PortZeroBindsAChosenPortAndReopeningIsANoOp) {
    TUDP udp;
    udp.SetActive(true);
    ASSERT_TRUE(udp.Active());
    EXPECT_NE(udp.BoundPort(), 0);
    EXPECT_EQ(udp.Socket().Port(), udp.BoundPort());
    EXPECT_EQ(udp.Port(), 0); // the endpoint's own setting keeps "any"
    const int handle = udp.Socket().Handle();
    udp.SetActive(true);
    EXPECT_EQ(udp.Socket().Handle(), handle);
    udp.SetActive(false);
    EXPECT_FALSE(udp.Active());
    EXPECT_EQ(udp.Socket().Handle(), -1);
}

TEST(UdpEndpoint, OnlyDatagramsOfOneTo2048BytesReachTheHandler) {
    TUDP udp;
    // Room for the whole burst even while the receive thread is slow.
    udp.Socket().SetRecvBufSize(1 << 20);
    Inbox in;
    in.Attach(udp);
    udp.SetActive(true);
    UdpSocket peer;
    ASSERT_EQ(peer.Open(0), 0);

    // Sent in this order; the empty and the oversized ones vanish without
    // disturbing the ones that follow them.
    const size_t sizes[] = {0, 1, 2049, 2048, 65000, 3, 2050, 100};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        auto d = Pattern(sizes[i], static_cast<uint8_t>(i));
        ASSERT_EQ(peer.SendTo(kLoopback, udp.BoundPort(), d.data(), d.size()), 0) << sizes[i];
    }
    // Loopback keeps the order of one sender's datagrams: once the last one
    // is in, everything sent before it has been handled.
    ASSERT_TRUE(in.WaitFor(4));
    std::lock_guard g(in.m);
    ASSERT_EQ(in.got.size(), 4u);
    EXPECT_EQ(in.got[0], Pattern(1, 1));
    EXPECT_EQ(in.got[1], Pattern(2048, 3));
    EXPECT_EQ(in.got[2], Pattern(3, 5));
    EXPECT_EQ(in.got[3], Pattern(100, 7));
    EXPECT_EQ(in.from_ports[0], peer.BoundPort());
}

TEST(UdpEndpoint, ThreadSurvivesAThrowingHandlerAndAnIcmpUnreachable) {
    TUDP udp;
    std::atomic<int> calls{0};
    Inbox in;
    udp.OnRecv = [&](uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
        if (calls++ == 0) throw std::runtime_error("handler failure");
        std::lock_guard g(in.m);
        in.got.emplace_back(buf, buf + len);
        in.cv.notify_all();
    };
    udp.SetActive(true);

    // A port nobody listens on: the send draws an ICMP port-unreachable.
    UdpSocket gone;
    ASSERT_EQ(gone.Open(0), 0);
    const uint16_t dead_port = gone.BoundPort();
    gone.Close();
    const uint8_t x = 1;
    udp.Send(kLoopback, dead_port, &x, 1);

    UdpSocket peer;
    ASSERT_EQ(peer.Open(0), 0);
    const uint8_t a = 'a', b = 'b';
    peer.SendTo(kLoopback, udp.BoundPort(), &a, 1);
    peer.SendTo(kLoopback, udp.BoundPort(), &b, 1);
    ASSERT_TRUE(in.WaitFor(1));
    std::lock_guard g(in.m);
    EXPECT_EQ(in.got[0], std::vector<uint8_t>{'b'});
}

TEST(UdpEndpoint, SendNeverFailsLoudly) {
    TUDP udp;
    const uint8_t x = 1;
    udp.Send(kLoopback, 9, &x, 1); // closed: nothing happens
    udp.SetActive(true);
    udp.Send(0xFFFFFFFFu, 9, &x, 1); // the invalid address raises inside and is swallowed
    EXPECT_THROW(udp.Socket().SendTo(&x, 1, 9, 0xFFFFFFFFu), TUDPException);
    try {
        udp.Socket().SendTo(&x, 1, 9, 0xFFFFFFFFu);
    } catch (const TUDPException& e) {
        EXPECT_STREQ(e.what(), "无效的远程主机地址!");
    }
}

TEST(UdpEndpoint, OpeningAPortTakenWithoutReuseFailsAndStaysClosed) {
    // A socket bound without SO_REUSEADDR keeps the port to itself.
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t alen = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &alen);

    TUDP udp;
    udp.SetPort(ntohs(a.sin_port));
    try {
        udp.SetActive(true);
        ADD_FAILURE() << "opened a taken port";
    } catch (const TUDPException& e) {
        EXPECT_STREQ(e.what(), "初始化套接字发生错误，错误码是98");
    }
    EXPECT_FALSE(udp.Active());
    close(fd);
    udp.SetActive(true); // free now
    EXPECT_TRUE(udp.Active());
}

TEST(UdpEndpoint, BufferSizesApplyWhileOpenAndAtTheNextOpening) {
    TUDP udp;
    udp.Socket().SetRecvBufSize(65536);
    udp.SetActive(true);
    int got = 0;
    socklen_t len = sizeof got;
    getsockopt(udp.Socket().Handle(), SOL_SOCKET, SO_RCVBUF, &got, &len);
    EXPECT_EQ(got, 2 * 65536); // Linux reports twice the requested size
    udp.Socket().SetSendBufSize(32768);
    getsockopt(udp.Socket().Handle(), SOL_SOCKET, SO_SNDBUF, &got, &len);
    EXPECT_EQ(got, 2 * 32768);
    EXPECT_EQ(udp.Socket().SendBufSize(), 32768);
}

TEST(UdpEndpoint, ClosesUnderAFloodWhileAnotherThreadKeepsSending) {
    TUDP udp;
    std::atomic<int> received{0};
    udp.OnRecv = [&](uint32_t, uint16_t, const uint8_t*, int32_t) { received++; };
    UdpSocket flood_src;
    ASSERT_EQ(flood_src.Open(0), 0);
    std::atomic<bool> stop{false};
    std::atomic<uint16_t> target{0};
    std::thread flooder([&] {
        std::vector<uint8_t> d(512, 0x5A);
        while (!stop) {
            if (uint16_t p = target.load()) flood_src.SendTo(kLoopback, p, d.data(), d.size());
        }
    });
    std::thread sender([&] { // the endpoint's own sends race with closing
        const uint8_t x = 7;
        while (!stop) udp.Send(kLoopback, flood_src.BoundPort(), &x, 1);
    });
    for (int round = 0; round < 20; ++round) {
        udp.SetActive(true);
        target = udp.BoundPort();
        const int before = received.load();
        while (received.load() == before) std::this_thread::yield();
        udp.SetActive(false); // returns after at most the handler in progress
        EXPECT_FALSE(udp.Active());
    }
    stop = true;
    flooder.join();
    sender.join();
    EXPECT_GE(received.load(), 20);
}
