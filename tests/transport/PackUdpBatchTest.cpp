// The reliable layer over real sockets whose receive thread reads arrivals in
// batches and sends what its handlers send when each batch ends: a client
// made of a bare socket sends hand-made chunks and reads what comes back.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "platform/ManualLoop.h"
#include "platform/UdpSocket.h"
#include "transport/PackUdp.h"
#include "transport/Udp.h"

using namespace kel;
using namespace std::chrono_literals;

namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);
using Status = UdpSocket::Received::Status;

// A whole single-chunk message: chunk id `id`, message number `id`.
std::vector<uint8_t> Chunk(int32_t id, size_t payload_len) {
    WireWriter w(18 + payload_len);
    const auto n = static_cast<uint16_t>(payload_len);
    w.I32(-1).I16(TPackUdp::kTypeData).I32(id).U16(static_cast<uint16_t>(id)).U16(n).U16(0).U16(n);
    for (size_t i = 0; i < payload_len; ++i) w.U8(static_cast<uint8_t>(id + i));
    return w.Take();
}

// The chunk id of an acknowledgement, or -1 for anything else.
int32_t AckedId(const uint8_t* p, int32_t len) {
    if (len != TPackUdp::kAckSize) return -1;
    WireReader r(p, static_cast<size_t>(len));
    if (r.I32() != -1 || r.I16() != TPackUdp::kTypeAck) return -1;
    return r.I32();
}

std::unique_ptr<IDatagramEndpoint> RoomyEndpoint() {
    auto udp = std::make_unique<TUDP>();
    udp->Socket().SetRecvBufSize(1 << 20);
    return udp;
}

struct Client {
    UdpSocket s;
    Client() {
        EXPECT_EQ(s.Open(0), 0);
        s.SetRecvBufSize(1 << 20);
    }
    void Send(uint16_t port, const std::vector<uint8_t>& d) { ASSERT_EQ(s.SendTo(kLoopback, port, d.data(), d.size()), 0); }
    // The next datagram; empty after 10 s of silence (a hang guard only).
    std::vector<uint8_t> Next() {
        std::vector<uint8_t> buf(2048);
        for (;;) {
            auto r = s.RecvFrom(buf.data(), buf.size());
            if (r.status == Status::Data) return std::vector<uint8_t>(buf.begin(), buf.begin() + r.len);
            pollfd p{s.Fd(), POLLIN, 0};
            if (poll(&p, 1, 10000) != 1) return {};
        }
    }
};

} // namespace

TEST(PackUdpBatch, AnswersAndAcknowledgementsLeaveInOrderEvenWhenTheHandlerThrows) {
    ManualLoop loop;
    TPackUdp peer(loop, RoomyEndpoint());
    // Each message is answered with a plain datagram, then the handler fails.
    peer.OnRecv = [](TPackUdp& sender, uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
        const uint8_t answer[2] = {'A', buf[0]};
        sender.SendData(ip, port, answer, 2, false);
        throw std::runtime_error("handler failure");
    };
    peer.SetActive(true);

    Client c;
    // One burst, so that the chunks are read and handled as one batch.
    const int kChunks = 20;
    for (int id = 1; id <= kChunks; ++id) c.Send(peer.BoundPort(), Chunk(id, 100));
    for (int id = 1; id <= kChunks; ++id) {
        SCOPED_TRACE(id);
        const auto answer = c.Next();
        ASSERT_EQ(answer, (std::vector<uint8_t>{'A', static_cast<uint8_t>(id)}));
        const auto ack = c.Next();
        ASSERT_EQ(AckedId(ack.data(), static_cast<int32_t>(ack.size())), id);
    }
    // A duplicate is acknowledged again, not handed up again.
    c.Send(peer.BoundPort(), Chunk(3, 100));
    const auto ack = c.Next();
    EXPECT_EQ(AckedId(ack.data(), static_cast<int32_t>(ack.size())), 3);
    peer.SetActive(false);
}

TEST(PackUdpBatch, AHandlerSendingMoreThanAQueueFullLosesNothing) {
    ManualLoop loop;
    TPackUdp peer(loop, RoomyEndpoint());
    const int kAnswers = static_cast<int>(UdpSocket::kSendBatch) * 2 + 7;
    peer.OnRecv = [&](TPackUdp& sender, uint32_t ip, uint16_t port, const uint8_t*, int32_t) {
        for (int i = 0; i < kAnswers; ++i) {
            const uint8_t answer[2] = {'B', static_cast<uint8_t>(i)};
            sender.SendData(ip, port, answer, 2, false);
        }
    };
    peer.SetActive(true);
    Client c;
    c.Send(peer.BoundPort(), Chunk(1, 10));
    for (int i = 0; i < kAnswers; ++i) ASSERT_EQ(c.Next(), (std::vector<uint8_t>{'B', static_cast<uint8_t>(i)})) << i;
    const auto ack = c.Next();
    EXPECT_EQ(AckedId(ack.data(), static_cast<int32_t>(ack.size())), 1);
    peer.SetActive(false);
}

TEST(PackUdpBatch, ClosingUnderAFloodStillAcknowledgesEveryChunkHandedUp) {
    ManualLoop loop;
    TPackUdp peer(loop, RoomyEndpoint());
    std::mutex m;
    std::condition_variable cv;
    std::set<int32_t> delivered, acked;
    peer.OnRecv = [&](TPackUdp&, uint32_t, uint16_t, const uint8_t* buf, int32_t len) {
        WireReader r(buf, static_cast<size_t>(len));
        const int32_t id = r.I32();
        std::lock_guard g(m);
        delivered.insert(id);
        cv.notify_all();
    };
    peer.SetActive(true);
    const uint16_t port = peer.BoundPort();

    Client c;
    std::atomic<bool> stop{false};
    std::atomic<size_t> acked_count{0};
    std::thread reader([&] {
        std::vector<uint8_t> buf(2048);
        while (!stop) {
            auto r = c.s.RecvFrom(buf.data(), buf.size());
            if (r.status == Status::Data) {
                const int32_t id = AckedId(buf.data(), r.len);
                std::lock_guard g(m);
                if (id >= 0) acked.insert(id);
                acked_count = acked.size();
                cv.notify_all();
            } else {
                pollfd p{c.s.Fd(), POLLIN, 0};
                poll(&p, 1, 10);
            }
        }
    });
    // The payload opens with the chunk id, so that the handler knows it.
    std::thread flooder([&] {
        for (int32_t id = 1; id < 200000 && !stop; ++id) {
            auto d = Chunk(id, 20);
            for (int i = 0; i < 4; ++i) d[18 + i] = static_cast<uint8_t>(id >> (8 * i));
            c.s.SendTo(kLoopback, port, d.data(), d.size());
            if (id % 64 == 0) std::this_thread::yield();
            // At most a few hundred chunks ahead of the acknowledgements
            // read: enough for full batches, never enough to overflow a
            // socket buffer on a loaded machine, where loopback would drop
            // datagrams and the test would blame the endpoint for them.
            while (!stop && static_cast<size_t>(id) > acked_count.load() + 256) std::this_thread::yield();
        }
    });
    {
        std::unique_lock g(m);
        ASSERT_TRUE(cv.wait_for(g, 10s, [&] { return delivered.size() >= 500; }));
    }
    peer.SetActive(false); // mid-flood: the batch in hand is cut short
    std::set<int32_t> handed_up;
    {
        std::lock_guard g(m);
        handed_up = delivered;
    }
    {
        // Loopback has handed every acknowledgement sent to the client's
        // socket; the wait is for the reader thread only.
        std::unique_lock g(m);
        EXPECT_TRUE(cv.wait_for(g, 10s, [&] {
            return std::includes(acked.begin(), acked.end(), handed_up.begin(), handed_up.end());
        }));
        std::vector<int32_t> missing;
        std::set_difference(handed_up.begin(), handed_up.end(), acked.begin(), acked.end(), std::back_inserter(missing));
        EXPECT_TRUE(missing.empty()) << missing.size() << " of " << handed_up.size() << " unacknowledged, first "
                                     << (missing.empty() ? 0 : missing.front());
    }
    stop = true;
    flooder.join();
    reader.join();
}
