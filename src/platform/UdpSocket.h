#pragma once
// POSIX datagram sockets for the transport: an IPv4 UDP socket bound to a
// local port, non-blocking, and a thread that waits in poll() on a socket and
// on an eventfd that tells it to stop.
//
// Failures come back as error codes in the numbering the transport's
// messages show: would-block is 10035 and "connection reset" (what a read
// reports after an ICMP port-unreachable answered an earlier send) is 10054;
// any other failure is the errno value.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace kel {

constexpr int kSockWouldBlock = 10035;
constexpr int kSockConnReset = 10054;

// The transport's code for an errno value.
int SockErrorCode(int err_no);

class UdpSocket {
public:
    UdpSocket();
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket and binds it to the wildcard address on `port`
    // (0 lets the system choose). Returns 0 or an error code; on failure
    // nothing stays open.
    int Open(uint16_t port);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // The port actually bound (0 while closed).
    uint16_t BoundPort() const { return bound_port_; }

    // SO_SNDBUF / SO_RCVBUF. 0 or an error code.
    int SetSendBufSize(int bytes);
    int SetRecvBufSize(int bytes);

    // One datagram to an IPv4 address in network byte order and a port in
    // host order. 0 or an error code.
    int SendTo(uint32_t ip_net, uint16_t port, const void* data, size_t len);

    struct Received {
        enum class Status { Data, WouldBlock, ConnReset, TooLong, Error };
        Status status = Status::Error;
        int32_t len = 0;    // bytes read (Data); the datagram's real length (TooLong)
        uint32_t ip_net = 0; // sender, network byte order
        uint16_t port = 0;   // sender, host order
        int error = 0;       // the error code (WouldBlock, ConnReset, Error)
    };
    // Reads one datagram. A datagram longer than `size` is consumed and
    // reported as TooLong, never handed back cut short.
    Received RecvFrom(void* buf, size_t size);

    // Reading in batches, for the one thread that reads: while it is on
    // (max_datagram > 0; 0 turns it off), RecvFrom takes up to kRecvBatch
    // waiting datagrams with one system call and hands them out one per
    // call, in arrival order, before it asks the system again. A datagram
    // longer than max_datagram is then reported TooLong whatever `size` the
    // read offers. When a batch came back short (the socket was drained),
    // the call after its last datagram reports WouldBlock without asking
    // the system, so that the reader waits for readiness once more. Before
    // a new batch is read, the queued sends (below) go out. The setting
    // outlives Close; what is still held is dropped there.
    static constexpr size_t kRecvBatch = 32;
    void SetRecvBatch(size_t max_datagram);
    // Datagrams read from the system and not yet handed out.
    bool HasBuffered() const;

    // Sending in batches, for the thread that reads: QueueSend keeps a copy
    // of the datagram, FlushSends sends everything queued, in order, with
    // one system call where it can (sendmmsg), each run of datagrams of one
    // size to one destination as one segmented send (UDP_SEGMENT; the
    // receiver still gets them one by one). A datagram the system refuses
    // is dropped as a failed SendTo would be. The queue is sent on its own
    // when it reaches kSendBatch datagrams; Close drops what is queued.
    static constexpr size_t kSendBatch = 64;
    void QueueSend(uint32_t ip_net, uint16_t port, const void* data, size_t len);
    void FlushSends();
    size_t QueuedSends() const;

private:
    struct RecvBatch;
    struct SendBatch;
    Received RecvOne(void* buf, size_t size);
    Received RecvBatched(void* buf, size_t size);

    int fd_ = -1;
    uint16_t bound_port_ = 0;
    std::unique_ptr<RecvBatch> recv_batch_;
    std::unique_ptr<SendBatch> send_batch_;
};

// Calls `on_readable` on its own thread while `fd` is readable, until
// Stop(). The handler reads one datagram and returns whether it consumed
// one (so more may be waiting); the thread then calls it again, up to a
// run of kBatch, before it waits in poll() once more. Level-triggered
// readiness brings it straight back while datagrams are queued; so does
// `buffered` (optional) while it tells that datagrams already taken from
// the socket wait in memory, which poll() cannot see. `batch_end`
// (optional) runs after every run of calls, also the one that Stop() or
// an exception cut short, before the thread waits or ends. An exception
// escaping a handler is dropped and the thread goes on.
class SocketReadThread {
public:
    // Creates the stop eventfd; throws std::system_error if it cannot.
    SocketReadThread();
    ~SocketReadThread();
    SocketReadThread(const SocketReadThread&) = delete;
    SocketReadThread& operator=(const SocketReadThread&) = delete;

    static constexpr int kBatch = 64;

    void Start(int fd, std::function<bool()> on_readable, std::function<bool()> buffered = {},
               std::function<void()> batch_end = {});
    // Signals the eventfd and waits until the thread has ended (after at
    // most the handler in progress). Must not be called from the handler.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    bool Stopping() const { return stop_.load(std::memory_order_acquire); }

private:
    void Run(int fd);
    int event_fd_ = -1;
    std::atomic<bool> stop_{false};
    std::function<bool()> on_readable_;
    std::function<bool()> buffered_;
    std::function<void()> batch_end_;
    std::thread thread_;
};

} // namespace kel
