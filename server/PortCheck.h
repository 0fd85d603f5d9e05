#pragma once
// Whether a port is free for this server. The endpoints bind with
// SO_REUSEADDR (and the web server with SO_REUSEPORT), which lets a second
// server start on the same ports and silently share the traffic; binding a
// probe socket without those options first tells the two apart.
#include <cstdint>
#include <string>

namespace kel::server {

enum class PortKind { Udp, Tcp };

// True when nothing else is bound to `port` on `host` (dotted; empty = any).
bool PortFree(PortKind kind, const std::string& host, uint16_t port);

} // namespace kel::server
