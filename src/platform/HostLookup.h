#pragma once
// Host look-up: the first IPv4 address the resolver gives for a name. A
// dotted address resolves to itself without asking the resolver.
#include <cstdint>
#include <string_view>

namespace kel {

// The address in network byte order (as sockets report it); 0 when the
// look-up fails.
uint32_t HostLookup(std::string_view host);

} // namespace kel
