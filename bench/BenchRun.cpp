#include "BenchRun.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "BenchCodec.h"
#include "EchoPeer.h"
#include "LoopThread.h"
#include "platform/UdpSocket.h"

namespace kel::bench {

namespace {

using Clock = std::chrono::steady_clock;
const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

constexpr size_t kRawDatagram = 818;   // a full chunk: 18-byte header + 800 bytes
constexpr size_t kPingSize = 100;
constexpr int kWindow = 32;            // messages outstanding at most
constexpr int kBigWindow = 2;          // 65535-byte messages outstanding at most
constexpr int kRoundTrips = 5000;
constexpr auto kRateTime = std::chrono::milliseconds(1500);

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct Spread {
    double median = 0, p99 = 0;
};

Spread SpreadOf(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// A bound socket for the raw figures, blocking, with the bench's buffers.
struct RawSocket {
    UdpSocket s;
    RawSocket() {
        s.Open(0);
        s.SetRecvBufSize(kBenchSocketBuffer);
        s.SetSendBufSize(kBenchSocketBuffer);
        fcntl(s.Fd(), F_SETFL, fcntl(s.Fd(), F_GETFL) & ~O_NONBLOCK);
        // A lost datagram must not hang the bench.
        timeval tv{1, 0};
        setsockopt(s.Fd(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
};

// Keeps at most `window` messages outstanding on a channel for `duration`:
// `send` is called while sent - delivered() < window. `sent` counts every
// message ever sent on the channel and delivered() every one that arrived,
// so messages still in flight from an earlier phase count against the
// window. Returns the messages delivered per second.
template <typename Send, typename Delivered>
double WindowedRate(uint64_t& sent, int window, Clock::duration duration, Send send, Delivered delivered) {
    const uint64_t start_count = delivered();
    const auto start = Clock::now();
    auto now = start;
    while (now - start < duration) {
        // Signed: a duplicate delivery may count one more than was sent.
        if (static_cast<int64_t>(sent - delivered()) < window) {
            send(sent);
            ++sent;
        } else {
            std::this_thread::yield();
        }
        now = Clock::now();
    }
    const uint64_t got = delivered() - start_count;
    return static_cast<double>(got) / std::chrono::duration<double>(now - start).count();
}

// A receiver thread counts datagrams; the sender keeps a window.
double RawRate() {
    RawSocket rx, tx;
    const uint16_t rx_port = rx.s.BoundPort();
    std::atomic<uint64_t> received{0};
    std::atomic<bool> stop{false};
    std::thread sink([&] {
        std::vector<uint8_t> buf(2048);
        while (!stop.load(std::memory_order_relaxed)) {
            auto r = rx.s.RecvFrom(buf.data(), buf.size());
            if (r.status == UdpSocket::Received::Status::Data && r.len == static_cast<int32_t>(kRawDatagram))
                received.fetch_add(1, std::memory_order_release);
        }
    });
    const auto datagram = BenchMessage(kRawDatagram, 0);
    auto send = [&](uint64_t) { tx.s.SendTo(kLoopback, rx_port, datagram.data(), datagram.size()); };
    auto delivered = [&] { return received.load(std::memory_order_acquire); };
    uint64_t sent = 0;
    WindowedRate(sent, kWindow, std::chrono::milliseconds(200), send, delivered); // warm-up
    const double rate = WindowedRate(sent, kWindow, kRateTime, send, delivered);
    stop = true;
    const uint8_t quit = 0;
    rx.s.SendTo(kLoopback, rx_port, &quit, 1);
    sink.join();
    return rate;
}

// A blocking echo thread and a blocking ping-pong.
Spread RawRoundTrip() {
    RawSocket rx, tx;
    const uint16_t rx_port = rx.s.BoundPort();
    const uint8_t quit = 0;
    std::thread echo([&] {
        std::vector<uint8_t> buf(2048);
        for (;;) {
            auto r = rx.s.RecvFrom(buf.data(), buf.size());
            if (r.status != UdpSocket::Received::Status::Data) continue;
            if (r.len == 1) break;
            rx.s.SendTo(r.ip_net, r.port, buf.data(), static_cast<size_t>(r.len));
        }
    });
    const auto ping = BenchMessage(kPingSize, 1);
    std::vector<uint8_t> buf(2048);
    std::vector<double> rtts;
    for (int i = 0; i < kRoundTrips + 200; ++i) {
        const auto t0 = Clock::now();
        tx.s.SendTo(kLoopback, rx_port, ping.data(), ping.size());
        auto r = tx.s.RecvFrom(buf.data(), buf.size());
        const auto t1 = Clock::now();
        if (i >= 200 && r.status == UdpSocket::Received::Status::Data) rtts.push_back(Micros(t1 - t0));
    }
    rx.s.SendTo(kLoopback, rx_port, &quit, 1);
    echo.join();
    return SpreadOf(rtts);
}

struct RawFigures {
    double rate = 0;
    Spread rtt;
};

RawFigures MeasureRaw() {
    RawFigures f;
    f.rate = RawRate();
    f.rtt = RawRoundTrip();
    return f;
}

struct ReliableFigures {
    size_t single_len = 0, big_len = 0, big_chunks = 0;
    double rate = 0, big_rate = 0;
    Spread rtt;
    bool rtt_complete = false;
};

ReliableFigures MeasureReliable(bool plain) {
    ReliableFigures f;
    MessageCodec peer_codec(plain), client_codec(plain);
    LoopThread peer_loop, client_loop;
    EchoPeer peer(peer_loop.Loop(), peer_codec, 0, /*log=*/false);
    TPackUdp client(client_loop.Loop(), BenchEndpoint());
    peer.pack.SetActive(true);
    client.SetActive(true);
    peer_loop.Start();
    client_loop.Start();
    const uint16_t peer_port = peer.pack.BoundPort();

    // Round trip: the client's receive thread sends the next ping as soon as
    // the echo of the last one is in.
    std::mutex m;
    std::condition_variable cv;
    std::vector<double> rtts;
    int remaining = kRoundTrips + 200;
    Clock::time_point sent_at;
    const auto ping = client_codec.Seal(BenchMessage(kPingSize, 2).data(), kPingSize);
    client.OnRecv = [&](TPackUdp& sender, uint32_t, uint16_t, const uint8_t* buf, int32_t len) {
        const auto now = Clock::now();
        if (!client_codec.Open(buf, static_cast<size_t>(len))) return;
        std::lock_guard g(m);
        if (remaining <= 0) return;
        if (remaining <= kRoundTrips) rtts.push_back(Micros(now - sent_at));
        if (--remaining == 0) {
            cv.notify_all();
            return;
        }
        sent_at = Clock::now();
        sender.SendReliable(kLoopback, peer_port, ping.data(), static_cast<int32_t>(ping.size()));
    };
    {
        std::unique_lock g(m);
        sent_at = Clock::now();
        client.SendReliable(kLoopback, peer_port, ping.data(), static_cast<int32_t>(ping.size()));
        f.rtt_complete = cv.wait_for(g, std::chrono::seconds(60), [&] { return remaining == 0; });
        remaining = 0;
        f.rtt = SpreadOf(rtts);
    }

    // Rates: the peer only opens and counts; the client keeps a window.
    peer.counting = true;
    auto delivered = [&] { return peer.counted.load(std::memory_order_acquire); };
    f.single_len = client_codec.LargestPlain(TPackUdp::kMaxPayload);
    const auto single = client_codec.Seal(BenchMessage(f.single_len, 3).data(), f.single_len);
    auto send_single = [&](uint64_t) {
        client.SendReliable(kLoopback, peer_port, single.data(), static_cast<int32_t>(single.size()));
    };
    uint64_t sent = 0;
    WindowedRate(sent, kWindow, std::chrono::milliseconds(200), send_single, delivered);
    f.rate = WindowedRate(sent, kWindow, kRateTime, send_single, delivered);

    f.big_len = client_codec.LargestPlain(TPackUdp::kMaxMessage);
    const auto big = client_codec.Seal(BenchMessage(f.big_len, 4).data(), f.big_len);
    f.big_chunks = (big.size() + TPackUdp::kMaxPayload - 1) / TPackUdp::kMaxPayload;
    auto send_big = [&](uint64_t) {
        client.SendReliable(kLoopback, peer_port, big.data(), static_cast<int32_t>(big.size()));
    };
    WindowedRate(sent, kBigWindow, std::chrono::milliseconds(200), send_big, delivered);
    f.big_rate = WindowedRate(sent, kBigWindow, kRateTime, send_big, delivered);

    client.OnRecv = nullptr;
    peer_loop.Stop();
    client_loop.Stop();
    client.SetActive(false);
    peer.pack.SetActive(false);
    return f;
}

} // namespace

namespace {

struct Ratios {
    double rtt = 0, rate = 0;
};

Ratios RunOnce(bool plain) {
    const char* mode = plain ? "plain" : "envelope";
    std::printf("packudp-bench run: loopback, raw UDP and TPackUdp (%s) in one run\n", mode);
    std::fflush(stdout);
    const RawFigures raw = MeasureRaw();
    std::printf("raw udp: %zu-byte datagrams/s = %.0f (window %d)\n", kRawDatagram, raw.rate, kWindow);
    std::printf("raw udp: %zu-byte round trip median = %.1f us, p99 = %.1f us\n", kPingSize, raw.rtt.median,
                raw.rtt.p99);
    std::fflush(stdout);

    const ReliableFigures rel = MeasureReliable(plain);
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("packudp %s: single-chunk reliable messages/s = %.0f (%zu-byte plaintext, window %d) ratio %.2f\n",
                mode, rel.rate, rel.single_len, kWindow, ratio(rel.rate, raw.rate));
    std::printf("packudp %s: %zu-byte-plaintext reliable messages/s = %.1f (window %d) ratio %.2f"
                " (%zu chunks per message against raw datagrams/s)\n",
                mode, rel.big_len, rel.big_rate, kBigWindow,
                ratio(rel.big_rate * static_cast<double>(rel.big_chunks), raw.rate), rel.big_chunks);
    std::printf("packudp %s: %zu-byte round trip median = %.1f us ratio %.2f, p99 = %.1f us ratio %.2f%s\n", mode,
                kPingSize, rel.rtt.median, ratio(rel.rtt.median, raw.rtt.median), rel.rtt.p99,
                ratio(rel.rtt.p99, raw.rtt.p99), rel.rtt_complete ? "" : " (incomplete: an echo was lost)");
    const Ratios r{ratio(rel.rtt.median, raw.rtt.median), ratio(rel.rate, raw.rate)};
    std::printf("ratio rtt=%.2f rate=%.2f\n", r.rtt, r.rate);
    std::fflush(stdout);
    return r;
}

} // namespace

int RunBench(bool plain, int repeat) {
    std::vector<double> rtt, rate;
    for (int i = 0; i < repeat; ++i) {
        const Ratios r = RunOnce(plain);
        rtt.push_back(r.rtt);
        rate.push_back(r.rate);
    }
    if (repeat > 1) {
        auto range = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return std::array<double, 3>{v.front(), v[v.size() / 2], v.back()};
        };
        const auto t = range(rtt), r = range(rate);
        std::printf("ratio over %d runs (min/median/max): rtt=%.2f/%.2f/%.2f rate=%.2f/%.2f/%.2f\n", repeat, t[0], t[1],
                    t[2], r[0], r[1], r[2]);
    }
    return 0;
}

} // namespace kel::bench
