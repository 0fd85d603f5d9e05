#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <thread>
#include <vector>

#include "foundation/WireWriter.h"
#include "platform/ManualLoop.h"
#include "protocol/Commands.h"
#include "protocol/Envelope.h"
#include "protocol/MessageChannel.h"
#include "transport/PackUdp.h"
#include "transport/TestNet.h"
#include "transport/Udp.h"

using namespace kel;
using kel::test::TestNet;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Plain(int32_t signature, int32_t code, const char* body) {
    WireWriter w;
    w.I32(signature).I32(code);
    for (const char* p = body; *p; ++p)
        w.U8(static_cast<uint8_t>(*p));
    return w.Take();
}

// A window (the client side) and a server on an in-process network.
class Channel : public ::testing::Test {
protected:
    const uint32_t clientIp = htonl(0x0A000001u), serverIp = htonl(0x0A000002u);
    static constexpr uint16_t clientPort = 5000, serverPort = 6000;

    ManualLoop loop{1000};
    TestNet net;
    TEncrypt cipher;
    TPackUdp client{loop, net.MakeEndpoint(clientIp)}, server{loop, net.MakeEndpoint(serverIp)};
    InboundQueue clientQueue, serverQueue;

    void SetUp() override {
        client.SetPort(clientPort);
        server.SetPort(serverPort);
        RouteInbound(client, cipher, clientQueue);
        RouteInbound(server, cipher, serverQueue);
        client.SetActive(true);
        server.SetActive(true);
    }

    // What the server sends without the window's send operation: sealed by
    // hand, so the receive checks are seen on their own.
    void ServerSendsSealed(const Bytes& plain) {
        Bytes sealed = plain;
        cipher.Encrypt(sealed);
        ServerSendsRaw(sealed);
    }
    void ServerSendsRaw(const Bytes& bytes) {
        server.SendReliable(clientIp, clientPort, bytes.data(), static_cast<int32_t>(bytes.size()));
        net.DeliverAll();
    }
};

} // namespace

TEST_F(Channel, SentMessageTravelsEncipheredAndArrivesAsItsPlaintext) {
    const Bytes plain = Plain(cmd::kMessageSignature, cmd::kChat, "hello room");
    SendMessage(client, cipher, serverIp, serverPort, plain.data(), static_cast<int32_t>(plain.size()));

    // On the wire: one chunk whose payload is the sealed message.
    ASSERT_EQ(net.log.size(), 1u);
    const Bytes& wire = net.log[0].bytes;
    ASSERT_EQ(wire.size(), 18u + 28u);
    EXPECT_EQ(Bytes(wire.begin() + 18, wire.end()), SealMessage(cipher, plain.data(), plain.size()));

    net.DeliverAll();
    ASSERT_EQ(serverQueue.Size(), 1u);
    EXPECT_EQ(serverQueue.Pop(), plain);
    EXPECT_EQ(client.PendingCount(), 0); // acknowledged
}

TEST_F(Channel, OnlyCheckedMessagesReachTheQueue) {
    ServerSendsSealed(Plain(cmd::kMessageSignature + 1, cmd::kChatMessage, "wrong signature"));
    ServerSendsSealed(Plain(cmd::kMessageSignature, 100000, "code too large"));
    ServerSendsSealed(Plain(cmd::kMessageSignature, -1, "negative code"));
    ServerSendsSealed(Bytes{0x5C, 0x93, 0x0C, 0x00}); // the signature alone
    ServerSendsRaw(Bytes(13, 0x11));                    // not whole blocks
    ServerSendsRaw({1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 0xFF, 0xFF, 0x7F}); // length beyond the blocks
    const Bytes plainDatagram = {'p', 'i', 'n', 'g'};
    server.SendData(clientIp, clientPort, plainDatagram.data(), 4, false);
    net.DeliverAll();
    EXPECT_EQ(clientQueue.Size(), 0u);

    // The receive path goes on: a good message still arrives.
    const Bytes good = Plain(cmd::kMessageSignature, 99999, "");
    ServerSendsSealed(good);
    ASSERT_EQ(clientQueue.Size(), 1u);
    EXPECT_EQ(clientQueue.Pop(), good);
}

TEST_F(Channel, AFilterMayAdjustOrRefuseAMessageBeforeItIsQueued) {
    RouteInbound(client, cipher, clientQueue, [](Bytes& plain, uint32_t ip, uint16_t port) {
        if (MessageCode(plain) == cmd::kServerProbeAnswer) {
            if (plain.size() < 16)
                return false;
            WireWriter w;
            w.U32(ip).I16(static_cast<int16_t>(port));
            std::copy(w.Data().begin(), w.Data().end(), plain.begin() + 8);
            return true;
        }
        if (MessageCode(plain) == cmd::kLogin)
            throw std::runtime_error("a throwing filter drops only its own message");
        return true;
    });
    ServerSendsSealed(Plain(cmd::kMessageSignature, cmd::kServerProbeAnswer, "short"));
    ServerSendsSealed(Plain(cmd::kMessageSignature, cmd::kLogin, "boom"));
    ServerSendsSealed(Plain(cmd::kMessageSignature, cmd::kServerProbeAnswer, "12345678"));
    ASSERT_EQ(clientQueue.Size(), 1u);
    const Bytes got = *clientQueue.Pop();
    const Bytes want = {0x5C, 0x93, 0x0C, 0x00, 0x19, 0x27, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x02, 0x70, 0x17, '7', '8'};
    EXPECT_EQ(got, want);
}

TEST_F(Channel, NegativeOrMissingInputSendsNothing) {
    SendMessage(client, cipher, serverIp, serverPort, nullptr, 5);
    const uint8_t b = 0;
    SendMessage(client, cipher, serverIp, serverPort, &b, -1);
    EXPECT_TRUE(net.log.empty());
}

TEST(ChannelLoopback, MessagesCrossRealSocketsBothWays) {
    ManualLoop loop;
    TEncrypt cipher;
    TPackUdp window(loop), peer(loop);
    InboundQueue windowQueue, peerQueue;
    RouteInbound(window, cipher, windowQueue);
    RouteInbound(peer, cipher, peerQueue);
    window.SetActive(true);
    peer.SetActive(true);
    const uint32_t lo = htonl(INADDR_LOOPBACK);

    Bytes big = Plain(cmd::kMessageSignature, cmd::kEnterRoom, "");
    big.resize(3000);
    for (size_t i = 8; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    SendMessage(window, cipher, lo, peer.BoundPort(), big.data(), static_cast<int32_t>(big.size()));
    const Bytes answer = Plain(cmd::kMessageSignature, cmd::kEnterRoomAnswer, "ok");
    SendMessage(peer, cipher, lo, window.BoundPort(), answer.data(), static_cast<int32_t>(answer.size()));

    // Arrival on the receive threads: wait for the blocks, not for a time-out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((peerQueue.Size() < 1 || windowQueue.Size() < 1) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(peerQueue.Pop(), big);
    EXPECT_EQ(windowQueue.Pop(), answer);
    window.SetActive(false);
    peer.SetActive(false);
}
