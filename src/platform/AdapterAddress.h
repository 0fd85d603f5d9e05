#pragma once
// The hardware address of the machine's first network adapter, the machine
// identity sent when entering a room. Adapters are taken in interface-index
// order; the loopback adapter and adapters without a real six-byte address
// (all zero, or of another length) are skipped.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel {

using HardwareAddress = std::array<uint8_t, 6>;

// What the system reports about one adapter.
struct AdapterEntry {
    int index = 0; // interface index
    std::string name;
    bool loopback = false;
    std::vector<uint8_t> address;
};

// The first usable adapter's address among `adapters`, in index order.
std::optional<HardwareAddress> PickFirstAdapter(std::vector<AdapterEntry> adapters);

// Every adapter of this machine (link-level entries of getifaddrs).
std::vector<AdapterEntry> ListAdapters();

// PickFirstAdapter(ListAdapters()).
std::optional<HardwareAddress> FirstAdapterAddress();

} // namespace kel
