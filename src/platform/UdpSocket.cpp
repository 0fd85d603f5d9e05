#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kel {

int SockErrorCode(int err_no) {
    if (err_no == EAGAIN || err_no == EWOULDBLOCK) return kSockWouldBlock;
    if (err_no == ECONNREFUSED) return kSockConnReset;
    return err_no;
}

int UdpSocket::Open(uint16_t port) {
    Close();
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return SockErrorCode(errno);
    auto fail = [&] {
        const int code = SockErrorCode(errno);
        close(fd);
        return code;
    };
    // The option value is an int: Linux refuses shorter option buffers.
    int on = 1, off = 0;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return fail();
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &off, sizeof off) != 0) return fail();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return fail();
    socklen_t alen = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &alen) != 0) return fail();
    fd_ = fd;
    bound_port_ = ntohs(a.sin_port);
    return 0;
}

void UdpSocket::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    bound_port_ = 0;
}

int UdpSocket::SetSendBufSize(int bytes) {
    if (setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) != 0) return SockErrorCode(errno);
    return 0;
}

int UdpSocket::SetRecvBufSize(int bytes) {
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) != 0) return SockErrorCode(errno);
    return 0;
}

int UdpSocket::SendTo(uint32_t ip_net, uint16_t port, const void* data, size_t len) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = ip_net;
    a.sin_port = htons(port);
    ssize_t n;
    do {
        n = sendto(fd_, data, len, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? SockErrorCode(errno) : 0;
}

UdpSocket::Received UdpSocket::RecvFrom(void* buf, size_t size) {
    Received r;
    sockaddr_in a{};
    socklen_t alen = sizeof a;
    ssize_t n;
    do {
        // MSG_TRUNC makes the call return the datagram's real length.
        n = recvfrom(fd_, buf, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&a), &alen);
    } while (n < 0 && errno == EINTR);
    r.ip_net = a.sin_addr.s_addr;
    r.port = ntohs(a.sin_port);
    if (n < 0) {
        r.error = SockErrorCode(errno);
        r.status = r.error == kSockWouldBlock  ? Received::Status::WouldBlock
                   : r.error == kSockConnReset ? Received::Status::ConnReset
                                               : Received::Status::Error;
        return r;
    }
    r.len = static_cast<int32_t>(n);
    r.status = static_cast<size_t>(n) > size ? Received::Status::TooLong : Received::Status::Data;
    return r;
}

SocketReadThread::SocketReadThread() {
    event_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (event_fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

SocketReadThread::~SocketReadThread() {
    Stop();
    if (event_fd_ >= 0) close(event_fd_);
}

void SocketReadThread::Start(int fd, std::function<bool()> on_readable) {
    Stop();
    uint64_t drain;
    [[maybe_unused]] ssize_t n = read(event_fd_, &drain, sizeof drain);
    stop_.store(false, std::memory_order_release);
    on_readable_ = std::move(on_readable);
    thread_ = std::thread([this, fd] { Run(fd); });
}

void SocketReadThread::Stop() {
    if (!thread_.joinable()) return;
    stop_.store(true, std::memory_order_release);
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(event_fd_, &one, sizeof one);
    thread_.join();
}

void SocketReadThread::Run(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {event_fd_, POLLIN, 0}};
    while (!stop_.load(std::memory_order_acquire)) {
        fds[0].revents = fds[1].revents = 0;
        int rc = poll(fds, 2, -1);
        if (rc < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (stop_.load(std::memory_order_acquire) || fds[1].revents) break;
        if (fds[0].revents & (POLLNVAL)) break;
        if (!(fds[0].revents & (POLLIN | POLLERR))) continue;
        for (int i = 0; i < kBatch && !stop_.load(std::memory_order_acquire); ++i) {
            bool more = false;
            try {
                more = on_readable_ && on_readable_();
            } catch (...) {
                // A handler's failure must not end the thread; the next
                // datagram is handled as usual.
                more = true;
            }
            if (!more) break;
        }
    }
}

} // namespace kel
