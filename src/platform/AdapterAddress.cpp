#include "platform/AdapterAddress.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace kel {

std::optional<HardwareAddress> PickFirstAdapter(std::vector<AdapterEntry> adapters) {
    std::stable_sort(adapters.begin(), adapters.end(), [](const AdapterEntry& a, const AdapterEntry& b) {
        return a.index != b.index ? a.index < b.index : a.name < b.name;
    });
    for (const AdapterEntry& a : adapters) {
        if (a.loopback || a.address.size() != 6)
            continue;
        if (std::all_of(a.address.begin(), a.address.end(), [](uint8_t b) { return b == 0; }))
            continue;
        HardwareAddress out{};
        std::copy(a.address.begin(), a.address.end(), out.begin());
        return out;
    }
    return std::nullopt;
}

std::vector<AdapterEntry> ListAdapters() {
    std::vector<AdapterEntry> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_PACKET)
            continue;
        sockaddr_ll ll{};
        std::memcpy(&ll, i->ifa_addr, sizeof ll);
        AdapterEntry e;
        e.index = ll.sll_ifindex;
        e.name = i->ifa_name ? i->ifa_name : "";
        e.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        const size_t len = std::min<size_t>(ll.sll_halen, sizeof ll.sll_addr);
        e.address.assign(ll.sll_addr, ll.sll_addr + len);
        out.push_back(std::move(e));
    }
    freeifaddrs(list);
    return out;
}

std::optional<HardwareAddress> FirstAdapterAddress() { return PickFirstAdapter(ListAdapters()); }

} // namespace kel
