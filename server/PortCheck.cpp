#include "PortCheck.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kel::server {

bool PortFree(PortKind kind, const std::string& host, uint16_t port) {
    int fd = socket(AF_INET, kind == PortKind::Udp ? SOCK_DGRAM : SOCK_STREAM, 0);
    if (fd < 0) return false;
    if (kind == PortKind::Tcp) {
        // Connections of an earlier run in TIME_WAIT do not make the port
        // busy; a listener does, unless this socket also asked to share it.
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!host.empty() && inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1) {
        close(fd);
        return false;
    }
    bool ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (ok && kind == PortKind::Tcp) ok = listen(fd, 1) == 0;
    close(fd);
    return ok;
}

} // namespace kel::server
