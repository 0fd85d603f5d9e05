#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>

#include "platform/AdapterAddress.h"
#include "platform/HostLookup.h"

using namespace kel;

TEST(HostLookup, DottedAddressesResolveToThemselvesInNetworkOrder) {
    EXPECT_EQ(HostLookup("127.0.0.1"), htonl(0x7F000001u));
    EXPECT_EQ(HostLookup("10.1.2.3"), htonl(0x0A010203u));
    EXPECT_EQ(HostLookup("255.255.255.255"), 0xFFFFFFFFu);
}

TEST(HostLookup, LocalhostIsALoopbackAddress) {
    const uint32_t ip = HostLookup("localhost");
    EXPECT_EQ(ntohl(ip) >> 24, 127u);
}

TEST(HostLookup, NamesThatDoNotResolveGiveZero) {
    const std::string cases[] = {"", "no-such-host.invalid", "not a host!", std::string("127.0.0.1\0x", 11)};
    for (const std::string& c : cases)
        EXPECT_EQ(HostLookup(c), 0u) << c;
}

TEST(AdapterAddress, FirstRealAdapterInIndexOrderSkippingLoopbackAndEmpty) {
    const std::vector<uint8_t> lo(6, 0), none(6, 0);
    const std::vector<AdapterEntry> adapters = {
        {5, "wlan0", false, {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}},
        {1, "lo", true, lo},
        {2, "dummy0", false, none},                     // all-zero address
        {3, "tun0", false, {}},                          // no hardware address
        {4, "ib0", false, std::vector<uint8_t>(20, 7)}, // not a six-byte address
        {6, "eth1", false, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
        {5, "eth0", false, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
    };
    // Index 5 is shared (aliases report one entry each); the name decides.
    const auto got = PickFirstAdapter(adapters);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, (HardwareAddress{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));

    EXPECT_FALSE(PickFirstAdapter({{1, "lo", true, lo}}).has_value());
    EXPECT_FALSE(PickFirstAdapter({}).has_value());
}

TEST(AdapterAddress, ThisMachinesAnswerIsStableAndNeverZero) {
    const auto first = FirstAdapterAddress();
    EXPECT_EQ(first, FirstAdapterAddress());
    if (first) {
        EXPECT_NE(*first, HardwareAddress{});
    }
}
