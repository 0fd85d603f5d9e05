#pragma once
// The socket endpoint: TqpUDPSocket owns one bound datagram socket and, while
// it is open, the receive thread TqpUDPRecvThread that calls OnDataArrival
// for each datagram waiting on it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <stdexcept>
#include <string>

#include "platform/UdpSocket.h"

namespace kel {

class TUDPException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Sender of the datagram read last: IP in network byte order exactly as the
// socket reports it, port in host order.
struct TPeerAddr {
    uint32_t IP = 0;
    int32_t Port = 0;
};

class TqpUDPSocket;

class TqpUDPRecvThread {
public:
    // Prepares the thread (not started yet) and its stop event.
    explicit TqpUDPRecvThread(TqpUDPSocket& socket);
    ~TqpUDPRecvThread();
    TqpUDPRecvThread(const TqpUDPRecvThread&) = delete;
    TqpUDPRecvThread& operator=(const TqpUDPRecvThread&) = delete;

    void Resume();
    // Ends the thread after at most the handler in progress and waits for it.
    void Stop();
    bool Terminated() const { return terminated_; }

    std::function<void()> OnRead;

private:
    TqpUDPSocket& socket_;
    std::unique_ptr<SocketReadThread> thread_;
    bool terminated_ = false;
};

class TqpUDPSocket {
public:
    TqpUDPSocket();
    ~TqpUDPSocket();
    TqpUDPSocket(const TqpUDPSocket&) = delete;
    TqpUDPSocket& operator=(const TqpUDPSocket&) = delete;

    bool Active() const { return active_.load(std::memory_order_acquire); }
    // Opens (binds Port, starts the receive thread) or closes. Raises
    // TUDPException when opening fails; the endpoint then stays closed.
    void SetActive(bool on);

    // Local port to bind; after opening, the port actually bound.
    int32_t Port() const { return port_.load(std::memory_order_acquire); }
    void SetPort(int32_t port) { port_.store(port, std::memory_order_release); }

    int32_t SendBufSize() const { return send_buf_size_; }
    int32_t RecvBufSize() const { return recv_buf_size_; }
    // Applied at once while open (raising TUDPException on failure, the
    // stored value unchanged), otherwise at the next opening.
    void SetSendBufSize(int32_t bytes);
    void SetRecvBufSize(int32_t bytes);

    const TPeerAddr& PeerAddr() const { return peer_; }
    // The socket descriptor, -1 while closed.
    int Handle() const { return sock_.Fd(); }

    // Raises TUDPException for the address 255.255.255.255; otherwise
    // false when the datagram could not be sent. Safe from any thread. On
    // the receive thread the datagram is queued instead (true) and leaves,
    // in order with the others queued there, when the batch of arrivals
    // being handled ends: an acknowledgement and an answer sent from a
    // handler share one system call with those of the whole batch. (A
    // handler that waited for an answer to what it sent would wait for
    // its own batch: handlers never wait.)
    bool SendTo(const void* data, int32_t len, uint16_t port, uint32_t ip);
    // Reads one datagram (receive thread only) and records its sender in
    // PeerAddr. Returns the byte count; 0 when nothing could be read (would
    // block, reset after an ICMP port-unreachable, or a datagram longer than
    // `size`, which is dropped). Other failures raise TUDPException.
    int32_t RecvFrom(void* buf, int32_t size, uint16_t port, uint32_t ip);

    // Called on the receive thread when a datagram is waiting.
    std::function<void(TqpUDPSocket& sender, TPeerAddr* peer)> OnDataArrival;

    // Reads in batches of up to UdpSocket::kRecvBatch datagrams per system
    // call, each datagram at most `max_datagram` bytes (longer ones are
    // dropped as for a short buffer); 0, the default, reads one datagram
    // per call. Set while closed: it takes effect at the next opening.
    void SetRecvBatch(int32_t max_datagram) { recv_batch_ = max_datagram > 0 ? max_datagram : 0; }

private:
    friend class TqpUDPRecvThread;
    // Receive thread only: whether the last arrival handler took a datagram
    // (or an error) off the socket, so that more may be waiting.
    bool TakeConsumed() {
        const bool c = consumed_;
        consumed_ = false;
        return c;
    }
    bool consumed_ = false;
    int32_t recv_batch_ = 0;
    void Open();
    void Close();
    void DataArrival();

    // Guards the socket handle against closing while another thread sends.
    mutable std::shared_mutex fd_lock_;
    UdpSocket sock_;
    std::atomic<int32_t> port_{0};
    int32_t send_buf_size_ = 8192;
    int32_t recv_buf_size_ = 8192;
    TPeerAddr peer_;
    std::atomic<bool> active_{false};
    std::unique_ptr<TqpUDPRecvThread> thread_;
};

// "text%d" formatting for the messages carrying an error code.
std::string FormatSockError(const char* format, int code);

} // namespace kel
