#include "platform/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <string>

namespace kel {

uint32_t HostLookup(std::string_view host) {
    if (host.empty())
        return 0;
    const std::string name(host); // the resolver wants a terminated text
    if (name.find('\0') != std::string::npos)
        return 0;
    in_addr dotted{};
    if (inet_pton(AF_INET, name.c_str(), &dotted) == 1)
        return dotted.s_addr;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
        return 0;
    uint32_t ip = 0;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr && a->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in sin{};
            std::memcpy(&sin, a->ai_addr, sizeof sin);
            ip = sin.sin_addr.s_addr;
            break;
        }
    }
    freeaddrinfo(found);
    return ip;
}

} // namespace kel
