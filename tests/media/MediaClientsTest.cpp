// The sender's and viewer's registration against a scripted relay on
// loopback, with the timers on virtual time.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/kelUtils.h"
#include "media/MediaClients.h"
#include "media/MediaComponents.h"
#include "platform/ManualLoop.h"
#include "protocol/MediaPackets.h"

namespace kel {
namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// A plain endpoint that records what reaches it.
struct Peer {
    TUDP udp;
    std::mutex m;
    std::vector<std::vector<uint8_t>> got;
    uint16_t last_port = 0;
    Peer() {
        udp.OnRecv = [this](uint32_t, uint16_t port, const uint8_t* b, int32_t n) {
            std::lock_guard g(m);
            got.emplace_back(b, b + n);
            last_port = port;
        };
        udp.SetActive(true);
    }
    // The receive thread goes before the members it writes to.
    ~Peer() { udp.SetActive(false); }
    size_t Count() { std::lock_guard g(m); return got.size(); }
    std::vector<uint8_t> At(size_t i) { std::lock_guard g(m); return got.at(i); }
    uint16_t LastPort() { std::lock_guard g(m); return last_port; }
};

// Runs the loop's posted tasks until `done` holds (bounded in real time,
// since the datagrams travel over real sockets).
template <class F> bool Until(ManualLoop& loop, F done) {
    for (int i = 0; i < 5000; ++i) {
        loop.RunUntilIdle();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(MediaClients, SenderRegistersTenTimesThenGivesUp)
{
    ManualLoop loop;
    Peer relay;
    TSendClient c(loop, 77, 123456);
    c.Start(kLoopback, relay.udp.BoundPort());
    ASSERT_TRUE(Until(loop, [&] { return relay.Count() == 1; }));
    auto reg = ReadMediaRegister(relay.At(0));
    ASSERT_TRUE(reg);
    EXPECT_EQ(reg->code, kMediaSendRegister);
    EXPECT_EQ(reg->user, 77);
    EXPECT_EQ(UnscrambleText(reg->ticket_text), "123456");
    for (int i = 0; i < 9; ++i) loop.AdvanceBy(kMediaRegisterMs);
    ASSERT_TRUE(Until(loop, [&] { return relay.Count() == 10; }));
    EXPECT_EQ(c.State(), TMediaClientState::Registering);
    loop.AdvanceBy(kMediaRegisterMs);
    EXPECT_EQ(c.State(), TMediaClientState::NoAnswer);
    EXPECT_FALSE(c.Endpoint().Active());
}

TEST(MediaClients, SenderAnswers)
{
    struct Case { const char* name; uint8_t result; int32_t echo; TMediaClientState state; } cases[] = {
        {"accepted", 0, 77, TMediaClientState::Registered},
        {"refused", 1, 77, TMediaClientState::Refused},
        {"other echo", 0, 78, TMediaClientState::Refused}};
    for (const auto& k : cases) {
        ManualLoop loop;
        Peer relay;
        TSendClient c(loop, 77, 1);
        c.Start(kLoopback, relay.udp.BoundPort());
        ASSERT_TRUE(Until(loop, [&] { return relay.Count() == 1; }));
        const auto ans = WriteMediaSendAnswer({k.result, k.echo});
        relay.udp.Send(kLoopback, relay.LastPort(), ans.data(), int32_t(ans.size()));
        ASSERT_TRUE(Until(loop, [&] { return c.State() == k.state; })) << k.name;
        const uint8_t x[2] = {1, 2};
        const bool sent = c.SendData(kMediaChannelAudio, x, 2);
        EXPECT_EQ(sent, k.state == TMediaClientState::Registered) << k.name;
        if (sent) {
            ASSERT_TRUE(Until(loop, [&] { return relay.Count() == 2; }));
            EXPECT_TRUE(ReadMediaData(relay.At(1))) << k.name;
        } else {
            EXPECT_FALSE(c.Endpoint().Active()) << k.name;
        }
        loop.AdvanceBy(30 * kMediaRegisterMs);
        EXPECT_EQ(relay.Count(), sent ? 2u : 1u) << "no further registration after an answer: " << k.name;
    }
}

TEST(MediaClients, ViewerRegistersSubscribesRefreshesAndLeaves)
{
    ManualLoop loop;
    Peer control, data;
    TRecvClient c(loop, 42, 9);
    std::mutex m;
    std::vector<uint8_t> payload;
    c.OnData = [&](TRecvClient&, uint8_t ch, int32_t n, const uint8_t* p) {
        std::lock_guard g(m);
        if (ch == kMediaChannelVideo) payload.assign(p, p + n);
    };
    c.SetChannel(1, true);
    c.SetChannel(2, true);
    EXPECT_EQ(c.ChannelMask(), 3u);
    c.Start(kLoopback, control.udp.BoundPort());
    ASSERT_TRUE(Until(loop, [&] { return control.Count() == 1; }));
    auto reg = ReadMediaRegister(control.At(0));
    ASSERT_TRUE(reg);
    EXPECT_EQ(reg->code, kMediaViewRegister);
    EXPECT_EQ(reg->user, 42);

    MediaViewAnswer a{kLoopback, data.udp.BoundPort(), "hello"};
    const auto ans = WriteMediaViewAnswer(a);
    control.udp.Send(kLoopback, control.LastPort(), ans.data(), int32_t(ans.size()));
    ASSERT_TRUE(Until(loop, [&] { return data.Count() == 1; }));
    EXPECT_EQ(c.State(), TMediaClientState::Registered);
    EXPECT_EQ(c.AnswerText(), "hello");
    EXPECT_EQ(ReadMediaSubscribe(data.At(0)), (MediaSubscribe{42, 3}));

    // Data from the data endpoint reaches OnData.
    const auto pack = MediaDataPacket(0, kMediaChannelVideo, std::vector<uint8_t>{5, 6});
    data.udp.Send(kLoopback, data.LastPort(), pack.data(), int32_t(pack.size()));
    ASSERT_TRUE(Until(loop, [&] { std::lock_guard g(m); return payload.size() == 2; }));

    loop.AdvanceBy(kMediaRefreshMs);
    ASSERT_TRUE(Until(loop, [&] { return data.Count() == 2; }));
    EXPECT_TRUE(ReadMediaSubscribe(data.At(1))) << "the refresh";
    c.SetChannel(0, true);
    ASSERT_TRUE(Until(loop, [&] { return data.Count() == 3; }));
    EXPECT_EQ(ReadMediaSubscribe(data.At(2))->mask, 0xFFFFFFu);
    c.SetChannel(40, false);  // ignored
    EXPECT_EQ(c.ChannelMask(), 0xFFFFFFu);

    c.Stop();
    ASSERT_TRUE(Until(loop, [&] { return data.Count() == 5; }));
    EXPECT_EQ(ReadMediaUnsubscribe(data.At(3)), 42);
    EXPECT_EQ(ReadMediaUnsubscribe(data.At(4)), 42);
    EXPECT_EQ(control.Count(), 1u);
}

TEST(MediaClients, ViewerRefusedOrStoppedWhileRegistering)
{
    ManualLoop loop;
    Peer control;
    TRecvClient c(loop, 42, 9);
    c.Start(kLoopback, control.udp.BoundPort());
    ASSERT_TRUE(Until(loop, [&] { return control.Count() == 1; }));
    const auto no = WriteMediaViewAnswer({0, 0, ""});
    control.udp.Send(kLoopback, control.LastPort(), no.data(), int32_t(no.size()));
    ASSERT_TRUE(Until(loop, [&] { return c.State() == TMediaClientState::Refused; }));
    EXPECT_FALSE(c.Control().Active());

    c.Start(kLoopback, control.udp.BoundPort());
    ASSERT_TRUE(Until(loop, [&] { return control.Count() == 2; }));
    c.Stop();  // still registering: no leave is sent
    EXPECT_EQ(c.State(), TMediaClientState::Idle);
    loop.AdvanceBy(10 * kMediaRegisterMs);
    EXPECT_EQ(control.Count(), 2u);
}

TEST(MediaClients, ComponentsForwardOnlyThroughARegisteredClient)
{
    ManualLoop loop;
    Peer control;
    TkelSendUDP tx(loop);
    const uint8_t x = 1;
    EXPECT_FALSE(tx.SendData(kMediaChannelAudio, &x, 1)) << "no client";
    tx.Start(7, "me", 5, control.udp.BoundPort(), kLoopback);
    ASSERT_TRUE(Until(loop, [&] { return control.Count() == 1; }));
    EXPECT_FALSE(tx.SendData(kMediaChannelAudio, &x, 1)) << "not yet registered";
    tx.Stop();
    EXPECT_EQ(tx.Client(), nullptr);

    TkelRecvUDP rx(loop);
    rx.Start(8, "other", 5, true, true, control.udp.BoundPort(), kLoopback, false);
    ASSERT_NE(rx.Client(), nullptr);
    EXPECT_EQ(rx.Client()->ChannelMask(), 3u);
    rx.Start(8, "self", 5, true, true, control.udp.BoundPort(), kLoopback, true);
    EXPECT_EQ(rx.Client()->ChannelMask(), 0u) << "the own stream is never subscribed";
    rx.Stop();
    EXPECT_EQ(rx.Client(), nullptr);
}

}  // namespace
}  // namespace kel
