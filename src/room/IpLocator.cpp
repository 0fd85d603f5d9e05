#include "room/IpLocator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "foundation/Gbk.h"
#include "foundation/kelUtils.h"
#include "platform/Loop.h"
#include "platform/Tick.h"

namespace kel {

namespace {

struct TUrl {
    std::string Host;
    uint16_t Port = 80;
    std::string Path = "/";
};

bool ParseUrl(const std::string& url, TUrl& out) {
    const std::string scheme = "http://";
    if (url.compare(0, scheme.size(), scheme) != 0) return false;
    std::string rest = url.substr(scheme.size());
    const size_t slash = rest.find('/');
    std::string hostport = rest.substr(0, slash);
    out.Path = slash == std::string::npos ? "/" : rest.substr(slash);
    const size_t colon = hostport.find(':');
    out.Host = hostport.substr(0, colon);
    if (colon != std::string::npos) {
        const int p = std::atoi(hostport.c_str() + colon + 1);
        if (p <= 0 || p > 65535) return false;
        out.Port = static_cast<uint16_t>(p);
    }
    return !out.Host.empty();
}

std::string UrlEncode(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Waits for `events` on `fd` until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Tick deadline) {
    for (;;) {
        const int32_t left = TickDiff(deadline, RealTickCount());
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, left);
        if (r > 0) return (p.revents & (events | POLLHUP)) != 0;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

} // namespace

THttpIpLocator::THttpIpLocator(ILoop& loop, std::string service_url, uint32_t timeout_ms)
    : loop_(loop), url_(std::move(service_url)), timeout_ms_(timeout_ms) {}

THttpIpLocator::~THttpIpLocator() {
    std::list<std::thread> threads;
    {
        std::lock_guard<std::mutex> g(lock_);
        threads.swap(threads_);
    }
    for (auto& t : threads)
        if (t.joinable()) t.join();
}

void THttpIpLocator::Locate(const std::string& dotted, std::function<void(const std::string&)> done) {
    std::lock_guard<std::mutex> g(lock_);
    // Finished look-ups leave their threads joinable; collect them here.
    threads_.emplace_back([this, dotted, done = std::move(done)]() mutable {
        std::string where = Fetch(url_, dotted, timeout_ms_);
        loop_.Post([done = std::move(done), where = std::move(where)] { done(where); });
    });
}

std::string THttpIpLocator::Fetch(const std::string& service_url, const std::string& dotted, uint32_t timeout_ms) {
    TUrl u;
    if (!ParseUrl(service_url, u)) return {};
    const uint32_t ip = ResolveHost(u.Host);
    if (ip == 0) return {};
    const Tick deadline = RealTickCount() + timeout_ms;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    std::string body;
    do {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(u.Port);
        a.sin_addr.s_addr = ip;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) break;
        if (!WaitFor(fd, POLLOUT, deadline)) break;
        int err = 0;
        socklen_t el = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &el) != 0 || err != 0) break;
        const std::string req = "GET " + u.Path + "?ip=" + UrlEncode(dotted) + " HTTP/1.0\r\nHost: " + u.Host +
                                "\r\nContent-Type: application/x-www-form-urlencoded\r\nConnection: close\r\n\r\n";
        size_t sent = 0;
        bool ok = true;
        while (sent < req.size()) {
            if (!WaitFor(fd, POLLOUT, deadline)) { ok = false; break; }
            const ssize_t n = ::send(fd, req.data() + sent, req.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) { ok = false; break; }
            sent += static_cast<size_t>(n);
        }
        if (!ok) break;
        std::string reply;
        constexpr size_t kMaxReply = 64 * 1024;
        char buf[4096];
        for (;;) {
            if (!WaitFor(fd, POLLIN, deadline)) { ok = false; break; }
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n < 0) { ok = false; break; }
            if (n == 0) break;
            reply.append(buf, static_cast<size_t>(n));
            if (reply.size() > kMaxReply) { ok = false; break; }
        }
        if (!ok) break;
        // Only a 200 answer carries a location.
        if (reply.compare(0, 9, "HTTP/1.1 ") != 0 && reply.compare(0, 9, "HTTP/1.0 ") != 0) break;
        if (reply.compare(9, 3, "200") != 0) break;
        const size_t head_end = reply.find("\r\n\r\n");
        if (head_end == std::string::npos) break;
        body = reply.substr(head_end + 4);
    } while (false);
    ::close(fd);
    // One line of plain text is all a location can be.
    body = RemoveLineBreaks(body);
    if (body.size() > 200) body.resize(Utf8Boundary(body, 200));
    return body;
}

} // namespace kel
