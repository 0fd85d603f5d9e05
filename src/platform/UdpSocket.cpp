#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace kel {

int SockErrorCode(int err_no) {
    if (err_no == EAGAIN || err_no == EWOULDBLOCK) return kSockWouldBlock;
    if (err_no == ECONNREFUSED) return kSockConnReset;
    return err_no;
}

namespace {

sockaddr_in Ipv4(uint32_t ip_net, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = ip_net;
    a.sin_port = htons(port);
    return a;
}

UdpSocket::Received Failure(int err_no) {
    using S = UdpSocket::Received::Status;
    UdpSocket::Received r;
    r.error = SockErrorCode(err_no);
    r.status = r.error == kSockWouldBlock ? S::WouldBlock : r.error == kSockConnReset ? S::ConnReset : S::Error;
    return r;
}

} // namespace

// The datagrams of one receive batch: kRecvBatch slots of max_datagram
// bytes, and how far RecvFrom has handed them out.
struct UdpSocket::RecvBatch {
    explicit RecvBatch(size_t max) : max_datagram(max), bytes(kRecvBatch * max) {}
    size_t max_datagram;
    std::vector<uint8_t> bytes;
    mmsghdr msgs[kRecvBatch]{};
    iovec iov[kRecvBatch]{};
    sockaddr_in from[kRecvBatch]{};
    size_t count = 0, next = 0;
    bool owe_would_block = false; // the last batch was short

    void Drop() {
        count = next = 0;
        owe_would_block = false;
    }
};

// Queued datagrams: their bytes one after another, and where each goes.
// Flushing sends each run of consecutive datagrams of one length to one
// destination as a single segmented send (UDP_SEGMENT): one trip through
// the stack for the run, which the receiving side gets as the separate
// datagrams (segmented by the loopback receiver, the network card or the
// stack on the way out). Where the system refuses that, the socket goes
// back to one send per datagram for good.
struct UdpSocket::SendBatch {
    struct Item {
        sockaddr_in to;
        size_t offset, len;
    };
    // A run: `count` items from `first` on, sent by one message.
    struct Run {
        size_t first, count;
    };
    union Control {
        char buf[CMSG_SPACE(sizeof(uint16_t))];
        cmsghdr align;
    };
    // At most this many datagrams of at most this many bytes in one run,
    // and at most kMaxRunBytes in all: well inside what every kernel that
    // can segment accepts, and one datagram of that size fits an ordinary
    // network's packet.
    static constexpr size_t kMaxRun = 64, kMaxRunDatagram = 1200, kMaxRunBytes = 60000;

    std::vector<uint8_t> bytes;
    std::vector<Item> items;
    std::vector<Run> runs;
    std::vector<mmsghdr> msgs;
    std::vector<iovec> iov;
    std::vector<Control> control;
    bool segment = true;

    static bool SameRun(const Item& a, const Item& b) {
        return a.len == b.len && a.to.sin_addr.s_addr == b.to.sin_addr.s_addr && a.to.sin_port == b.to.sin_port;
    }
};

UdpSocket::UdpSocket() = default;

UdpSocket::~UdpSocket() { Close(); }

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
    if (recv_batch_) recv_batch_->Drop();
    if (send_batch_) send_batch_->items.clear();
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
    const sockaddr_in a = Ipv4(ip_net, port);
    ssize_t n;
    do {
        n = sendto(fd_, data, len, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? SockErrorCode(errno) : 0;
}


UdpSocket::Received UdpSocket::RecvFrom(void* buf, size_t size) {
    return recv_batch_ ? RecvBatched(buf, size) : RecvOne(buf, size);
}

void UdpSocket::SetRecvBatch(size_t max_datagram) {
    if (max_datagram == 0)
        recv_batch_.reset();
    else if (!recv_batch_ || recv_batch_->max_datagram != max_datagram)
        recv_batch_ = std::make_unique<RecvBatch>(max_datagram);
}

bool UdpSocket::HasBuffered() const {
    return recv_batch_ && recv_batch_->next < recv_batch_->count;
}

UdpSocket::Received UdpSocket::RecvBatched(void* buf, size_t size) {
    RecvBatch& b = *recv_batch_;
    if (b.next == b.count) {
        // The batch is done: what its handlers sent goes out before more
        // is read.
        FlushSends();
        if (b.owe_would_block) {
            b.owe_would_block = false;
            return Failure(EAGAIN);
        }
        for (size_t i = 0; i < kRecvBatch; ++i) {
            b.iov[i] = {b.bytes.data() + i * b.max_datagram, b.max_datagram};
            msghdr& h = b.msgs[i].msg_hdr;
            h = {};
            h.msg_name = &b.from[i];
            h.msg_namelen = sizeof b.from[i];
            h.msg_iov = &b.iov[i];
            h.msg_iovlen = 1;
        }
        int n;
        do {
            // MSG_TRUNC makes each length the datagram's real one.
            n = recvmmsg(fd_, b.msgs, kRecvBatch, MSG_TRUNC | MSG_DONTWAIT, nullptr);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) return Failure(n < 0 ? errno : EAGAIN);
        b.count = static_cast<size_t>(n);
        b.next = 0;
        b.owe_would_block = b.count < kRecvBatch;
    }
    const size_t i = b.next++;
    Received r;
    r.ip_net = b.from[i].sin_addr.s_addr;
    r.port = ntohs(b.from[i].sin_port);
    const size_t len = b.msgs[i].msg_len;
    r.len = static_cast<int32_t>(len);
    if (len > size || len > b.max_datagram) {
        r.status = Received::Status::TooLong;
        return r;
    }
    if (len > 0) std::memcpy(buf, b.bytes.data() + i * b.max_datagram, len);
    r.status = Received::Status::Data;
    return r;
}

void UdpSocket::QueueSend(uint32_t ip_net, uint16_t port, const void* data, size_t len) {
    if (!send_batch_) send_batch_ = std::make_unique<SendBatch>();
    SendBatch& q = *send_batch_;
    if (q.items.size() >= kSendBatch) FlushSends();
    if (q.items.empty()) q.bytes.clear();
    const size_t offset = q.bytes.size();
    const auto* p = static_cast<const uint8_t*>(data);
    q.bytes.insert(q.bytes.end(), p, p + len);
    q.items.push_back({Ipv4(ip_net, port), offset, len});
}

size_t UdpSocket::QueuedSends() const { return send_batch_ ? send_batch_->items.size() : 0; }

void UdpSocket::FlushSends() {
    if (!send_batch_ || send_batch_->items.empty()) return;
    SendBatch& q = *send_batch_;
    const size_t n = q.items.size();
    q.runs.clear();
    for (size_t i = 0; i < n;) {
        size_t j = i + 1;
        const SendBatch::Item& first = q.items[i];
        if (q.segment && first.len > 0 && first.len <= SendBatch::kMaxRunDatagram)
            while (j < n && j - i < SendBatch::kMaxRun && (j - i + 1) * first.len <= SendBatch::kMaxRunBytes &&
                   SendBatch::SameRun(first, q.items[j]))
                ++j;
        q.runs.push_back({i, j - i});
        i = j;
    }
    // Sized before any pointer into them is taken.
    const size_t m = q.runs.size();
    q.msgs.assign(m, mmsghdr{});
    q.iov.resize(m);
    q.control.resize(m);
    for (size_t k = 0; k < m; ++k) {
        const SendBatch::Run& run = q.runs[k];
        SendBatch::Item& item = q.items[run.first];
        // The items of a run lie one after another in `bytes`.
        q.iov[k] = {q.bytes.data() + item.offset, item.len * run.count};
        msghdr& h = q.msgs[k].msg_hdr;
        h.msg_name = &item.to;
        h.msg_namelen = sizeof item.to;
        h.msg_iov = &q.iov[k];
        h.msg_iovlen = 1;
        if (run.count > 1) {
            h.msg_control = q.control[k].buf;
            h.msg_controllen = sizeof q.control[k].buf;
            cmsghdr* c = CMSG_FIRSTHDR(&h);
            c->cmsg_level = SOL_UDP;
            c->cmsg_type = UDP_SEGMENT;
            c->cmsg_len = CMSG_LEN(sizeof(uint16_t));
            const auto size = static_cast<uint16_t>(item.len);
            std::memcpy(CMSG_DATA(c), &size, sizeof size);
        }
    }
    for (size_t k = 0; k < m && fd_ >= 0;) {
        const int sent = sendmmsg(fd_, q.msgs.data() + k, static_cast<unsigned>(m - k), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent > 0) {
            k += static_cast<size_t>(sent);
            continue;
        }
        // The first message not sent failed. A single datagram is dropped,
        // as a failed SendTo would be; a run the system would not segment
        // goes datagram by datagram, and so does everything from now on.
        const SendBatch::Run run = q.runs[k++];
        if (run.count == 1) continue;
        q.segment = false;
        for (size_t i = run.first; i < run.first + run.count; ++i) {
            const SendBatch::Item& item = q.items[i];
            ssize_t r;
            do {
                r = sendto(fd_, q.bytes.data() + item.offset, item.len, MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr*>(&item.to), sizeof item.to);
            } while (r < 0 && errno == EINTR);
        }
    }
    q.items.clear();
}

UdpSocket::Received UdpSocket::RecvOne(void* buf, size_t size) {
    Received r;
    sockaddr_in a{};
    socklen_t alen = sizeof a;
    ssize_t n;
    do {
        // MSG_TRUNC makes the call return the datagram's real length.
        n = recvfrom(fd_, buf, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&a), &alen);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Failure(errno);
    r.ip_net = a.sin_addr.s_addr;
    r.port = ntohs(a.sin_port);
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

void SocketReadThread::Start(int fd, std::function<bool()> on_readable, std::function<bool()> buffered,
                             std::function<void()> batch_end) {
    Stop();
    uint64_t drain;
    [[maybe_unused]] ssize_t n = read(event_fd_, &drain, sizeof drain);
    stop_.store(false, std::memory_order_release);
    on_readable_ = std::move(on_readable);
    buffered_ = std::move(buffered);
    batch_end_ = std::move(batch_end);
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
        // Datagrams already read into memory are handled without waiting:
        // poll() would not see them.
        if (!(buffered_ && buffered_())) {
            fds[0].revents = fds[1].revents = 0;
            int rc = poll(fds, 2, -1);
            if (rc < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (stop_.load(std::memory_order_acquire) || fds[1].revents) break;
            if (fds[0].revents & (POLLNVAL)) break;
            if (!(fds[0].revents & (POLLIN | POLLERR))) continue;
        }
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
        try {
            if (batch_end_) batch_end_();
        } catch (...) {
            // As for a handler.
        }
    }
}

} // namespace kel
