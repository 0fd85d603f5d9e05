#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/UdpSocket.h"

using namespace kel;

namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);
using Status = UdpSocket::Received::Status;

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

// Waits until `fd` is readable; the deadline only guards against a hang.
bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 10000) == 1;
}

// The next datagram or failure, waiting while the socket would block.
UdpSocket::Received Next(UdpSocket& s, std::vector<uint8_t>& buf, size_t size) {
    for (;;) {
        auto r = s.RecvFrom(buf.data(), size);
        if (r.status != Status::WouldBlock || !Readable(s.Fd())) return r;
    }
}

struct Pair {
    UdpSocket rx, tx;
    Pair() {
        EXPECT_EQ(rx.Open(0), 0);
        EXPECT_EQ(tx.Open(0), 0);
        rx.SetRecvBufSize(1 << 20);
        rx.SetRecvBatch(2048);
    }
    void Send(const std::vector<uint8_t>& d) { ASSERT_EQ(tx.SendTo(kLoopback, rx.BoundPort(), d.data(), d.size()), 0); }
};

} // namespace

TEST(UdpSocketBatch, HandsOutABatchInOrderDroppingOversizedAndKeepingEmptyDatagrams) {
    Pair p;
    struct Sent {
        size_t len;
        Status status; // what reading it gives with a 2048-byte buffer
    };
    const Sent sent[] = {{5, Status::Data},     {3000, Status::TooLong}, {0, Status::Data},
                         {2048, Status::Data},  {2049, Status::TooLong}, {100, Status::Data},
                         {65000, Status::TooLong}, {7, Status::Data}};
    for (size_t i = 0; i < std::size(sent); ++i) p.Send(Pattern(sent[i].len, static_cast<uint8_t>(i)));
    ASSERT_TRUE(Readable(p.rx.Fd()));

    std::vector<uint8_t> buf(2048);
    for (size_t i = 0; i < std::size(sent); ++i) {
        const auto r = Next(p.rx, buf, buf.size());
        SCOPED_TRACE(i);
        ASSERT_EQ(r.status, sent[i].status);
        EXPECT_EQ(r.len, static_cast<int32_t>(sent[i].len)); // the real length, also when too long
        EXPECT_EQ(r.ip_net, kLoopback);
        EXPECT_EQ(r.port, p.tx.BoundPort());
        if (r.status == Status::Data) {
            EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + r.len), Pattern(sent[i].len, static_cast<uint8_t>(i)));
        }
        if (i == 0) {
            EXPECT_TRUE(p.rx.HasBuffered()) << "one system call read them all";
        }
    }
    EXPECT_FALSE(p.rx.HasBuffered());
    // The batch was short: one would-block without asking, then a real one.
    EXPECT_EQ(p.rx.RecvFrom(buf.data(), buf.size()).status, Status::WouldBlock);
    EXPECT_EQ(p.rx.RecvFrom(buf.data(), buf.size()).status, Status::WouldBlock);

    // A read that offers less than a held datagram drops it, as an unbatched
    // read does; the next one is unharmed.
    p.Send(Pattern(100, 1));
    p.Send(Pattern(10, 2));
    auto r = Next(p.rx, buf, 50);
    EXPECT_EQ(r.status, Status::TooLong);
    EXPECT_EQ(r.len, 100);
    r = Next(p.rx, buf, 50);
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 10), Pattern(10, 2));
}

TEST(UdpSocketBatch, AConnectionResetIsReportedOnceAndTheDatagramsAfterItStillArrive) {
    // With IP_RECVERR even an unconnected socket hears of the ICMP
    // port-unreachable answering its send: the next read fails with
    // "connection reset", as on the platform the transport's codes come from.
    Pair p;
    int on = 1;
    ASSERT_EQ(setsockopt(p.rx.Fd(), IPPROTO_IP, IP_RECVERR, &on, sizeof on), 0);
    UdpSocket gone;
    ASSERT_EQ(gone.Open(0), 0);
    const uint16_t dead_port = gone.BoundPort();
    gone.Close();
    const uint8_t x = 1;
    ASSERT_EQ(p.rx.SendTo(kLoopback, dead_port, &x, 1), 0);
    p.Send(Pattern(10, 1));
    p.Send(Pattern(20, 2));

    std::vector<uint8_t> buf(2048);
    auto r = Next(p.rx, buf, buf.size());
    EXPECT_EQ(r.status, Status::ConnReset);
    EXPECT_EQ(r.error, kSockConnReset);
    for (uint8_t seed : {1, 2}) {
        r = Next(p.rx, buf, buf.size());
        ASSERT_EQ(r.status, Status::Data);
        EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + r.len), Pattern(seed == 1 ? 10 : 20, seed));
    }
}

TEST(UdpSocketBatch, MoreThanOneBatchArrivesWholeAndCloseDropsWhatIsHeld) {
    Pair p;
    const size_t n = 3 * UdpSocket::kRecvBatch + 5;
    for (size_t i = 0; i < n; ++i) p.Send(Pattern(40, static_cast<uint8_t>(i)));
    std::vector<uint8_t> buf(2048);
    for (size_t got = 0; got < n; ++got) {
        auto r = Next(p.rx, buf, buf.size());
        ASSERT_EQ(r.status, Status::Data) << got;
        ASSERT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + r.len), Pattern(40, static_cast<uint8_t>(got)));
    }

    p.Send(Pattern(1, 0));
    p.Send(Pattern(1, 0));
    Next(p.rx, buf, buf.size());
    p.rx.Close();
    EXPECT_FALSE(p.rx.HasBuffered());
}

TEST(UdpSocketBatch, QueuedSendsLeaveInOrderAndARefusedOneCostsOnlyItself) {
    Pair p;
    UdpSocket& q = p.tx;
    const size_t n = UdpSocket::kSendBatch + 36;
    for (size_t i = 0; i < n; ++i) {
        if (i == 10) {
            const uint8_t x = 0;
            q.QueueSend(kLoopback, 0, &x, 1); // port 0: the system refuses it
        }
        const auto d = Pattern(30, static_cast<uint8_t>(i));
        q.QueueSend(kLoopback, p.rx.BoundPort(), d.data(), d.size());
    }
    // A full queue went out on its own.
    EXPECT_EQ(q.QueuedSends(), n + 1 - UdpSocket::kSendBatch);
    q.FlushSends();
    EXPECT_EQ(q.QueuedSends(), 0u);

    std::vector<uint8_t> buf(2048);
    for (size_t got = 0; got < n; ++got) {
        auto r = Next(p.rx, buf, buf.size());
        ASSERT_EQ(r.status, Status::Data) << got;
        ASSERT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + r.len), Pattern(30, static_cast<uint8_t>(got)));
        EXPECT_EQ(r.port, q.BoundPort());
    }

    const uint8_t x = 1;
    q.QueueSend(kLoopback, p.rx.BoundPort(), &x, 1);
    q.Close();
    EXPECT_EQ(q.QueuedSends(), 0u);
}

TEST(UdpSocketBatch, QueuedSendsArriveAsTheirOwnDatagramsWhetherOrNotTheSystemSegmentsThem) {
    // Runs of one size to one place go out as segmented sends; a socket
    // without checksums cannot segment, and must fall back to single sends
    // without losing or reordering anything.
    for (bool segmentable : {true, false}) {
        SCOPED_TRACE(segmentable);
        Pair p;
        if (!segmentable) {
            int on = 1;
            ASSERT_EQ(setsockopt(p.tx.Fd(), SOL_SOCKET, SO_NO_CHECK, &on, sizeof on), 0);
        }
        UdpSocket other;
        ASSERT_EQ(other.Open(0), 0);
        other.SetRecvBatch(2048);
        // Two runs to rx around one datagram to another socket, a run
        // broken by a change of size, 80 datagrams of 1000 bytes (more than
        // one run may carry), and an empty one.
        struct Sent {
            UdpSocket* to;
            size_t len;
        };
        std::vector<Sent> sent;
        for (int i = 0; i < 5; ++i) sent.push_back({&p.rx, 10});
        sent.push_back({&other, 10});
        for (int i = 0; i < 3; ++i) sent.push_back({&p.rx, 10});
        sent.push_back({&p.rx, 11});
        for (int i = 0; i < 80; ++i) sent.push_back({&p.rx, 1000});
        sent.push_back({&p.rx, 0});
        sent.push_back({&p.rx, 10});
        for (size_t i = 0; i < sent.size(); ++i) {
            const auto d = Pattern(sent[i].len, static_cast<uint8_t>(i));
            p.tx.QueueSend(kLoopback, sent[i].to->BoundPort(), d.data(), d.size());
        }
        p.tx.FlushSends();
        std::vector<uint8_t> buf(2048);
        for (size_t i = 0; i < sent.size(); ++i) {
            auto r = Next(*sent[i].to, buf, buf.size());
            ASSERT_EQ(r.status, Status::Data) << i;
            ASSERT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + r.len), Pattern(sent[i].len, static_cast<uint8_t>(i)))
                << i;
        }
    }
}

TEST(SocketReadThread, HandlesHeldDatagramsWithoutWaitingAndEndsEveryRunWithBatchEnd) {
    // A handler that reads one datagram a call and never says it consumed
    // one: every run ends after a single call, and whatever the socket's
    // batch still holds is invisible to poll(). All of it must be handled.
    Pair p;
    const size_t n = 2 * UdpSocket::kRecvBatch + 3;
    for (size_t i = 0; i < n; ++i) p.Send(Pattern(20, static_cast<uint8_t>(i)));
    std::atomic<size_t> handled{0}, runs{0};
    std::vector<uint8_t> buf(2048);
    SocketReadThread t;
    t.Start(
        p.rx.Fd(),
        [&] {
            if (p.rx.RecvFrom(buf.data(), buf.size()).status == Status::Data) ++handled;
            return false;
        },
        [&] { return p.rx.HasBuffered(); }, [&] { ++runs; });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (handled < n && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    t.Stop();
    EXPECT_EQ(handled.load(), n);
    EXPECT_GE(runs.load(), n);
}

TEST(SocketReadThread, StopCuttingARunShortStillEndsIt) {
    Pair p;
    std::atomic<bool> in_handler{false};
    std::vector<std::string> events; // written by the thread, read after Stop
    SocketReadThread* self = nullptr;
    SocketReadThread t;
    self = &t;
    t.Start(
        p.rx.Fd(),
        [&] {
            events.push_back("read");
            in_handler = true;
            while (!self->Stopping()) std::this_thread::yield();
            return true; // more would follow, but Stop comes first
        },
        {}, [&] { events.push_back("end"); });
    p.Send(Pattern(8, 0));
    while (!in_handler) std::this_thread::yield();
    t.Stop();
    EXPECT_EQ(events, (std::vector<std::string>{"read", "end"}));
}
