#include "transport/qpUdp.h"

#include <cstdio>
#include <mutex>
#include <system_error>

namespace kel {

namespace {

// The endpoint whose receive thread this is, if any: what that thread sends
// through its own endpoint waits for the end of the batch.
thread_local const TqpUDPSocket* t_receiving = nullptr;

} // namespace

std::string FormatSockError(const char* format, int code) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, code);
    return buf;
}

TqpUDPRecvThread::TqpUDPRecvThread(TqpUDPSocket& socket) : socket_(socket) {
    try {
        thread_ = std::make_unique<SocketReadThread>();
    } catch (const std::system_error& e) {
        throw TUDPException(FormatSockError("创建套接字事件句柄出错。错误码是%d", e.code().value()));
    }
}

TqpUDPRecvThread::~TqpUDPRecvThread() {
    if (!terminated_) Stop();
}

void TqpUDPRecvThread::Resume() {
    terminated_ = false;
    thread_->Start(
        socket_.Handle(),
        [this] {
            t_receiving = &socket_;
            if (OnRead) OnRead();
            return socket_.TakeConsumed();
        },
        [this] { return socket_.sock_.HasBuffered(); }, [this] { socket_.sock_.FlushSends(); });
}

void TqpUDPRecvThread::Stop() {
    terminated_ = true;
    thread_->Stop();
}

TqpUDPSocket::TqpUDPSocket() = default;

TqpUDPSocket::~TqpUDPSocket() { Close(); }

void TqpUDPSocket::SetActive(bool on) {
    if (on == Active()) return;
    if (on)
        Open();
    else
        Close();
}

void TqpUDPSocket::Open() {
    int code;
    {
        std::unique_lock g(fd_lock_);
        sock_.SetRecvBatch(static_cast<size_t>(recv_batch_));
        code = sock_.Open(static_cast<uint16_t>(port_.load()));
        if (code == 0) port_.store(sock_.BoundPort());
    }
    if (code != 0) throw TUDPException(FormatSockError("初始化套接字发生错误，错误码是%d", code));

    active_.store(true, std::memory_order_release);
    try {
        if (sock_.SetSendBufSize(send_buf_size_) != 0 || sock_.SetRecvBufSize(recv_buf_size_) != 0)
            throw TUDPException("buffer");
        thread_ = std::make_unique<TqpUDPRecvThread>(*this);
        thread_->OnRead = [this] { DataArrival(); };
        thread_->Resume();
    } catch (...) {
        Close();
        throw TUDPException("建立监听线程发生错误!");
    }
}

void TqpUDPSocket::Close() {
    // The thread goes first: it must not be polling a closed descriptor.
    if (thread_) {
        thread_->Stop();
        thread_.reset();
    }
    std::unique_lock g(fd_lock_);
    sock_.Close();
    active_.store(false, std::memory_order_release);
}

void TqpUDPSocket::SetSendBufSize(int32_t bytes) {
    if (bytes == send_buf_size_) return;
    if (Active()) {
        std::shared_lock g(fd_lock_);
        if (int code = sock_.SetSendBufSize(bytes); code != 0)
            throw TUDPException(FormatSockError("设置发送缓冲区错误。错误码是%d", code));
    }
    send_buf_size_ = bytes;
}

void TqpUDPSocket::SetRecvBufSize(int32_t bytes) {
    if (bytes == recv_buf_size_) return;
    if (Active()) {
        std::shared_lock g(fd_lock_);
        if (int code = sock_.SetRecvBufSize(bytes); code != 0)
            throw TUDPException(FormatSockError("设置接收缓冲区出错。错误码是%d", code));
    }
    recv_buf_size_ = bytes;
}

bool TqpUDPSocket::SendTo(const void* data, int32_t len, uint16_t port, uint32_t ip) {
    if (ip == 0xFFFFFFFFu) throw TUDPException("无效的远程主机地址!");
    if (len < 0) return false;
    if (t_receiving == this) {
        // The receive thread itself: the socket cannot close under it.
        sock_.QueueSend(ip, port, data, static_cast<size_t>(len));
        return true;
    }
    std::shared_lock g(fd_lock_);
    if (!sock_.IsOpen()) return false;
    return sock_.SendTo(ip, port, data, static_cast<size_t>(len)) == 0;
}

int32_t TqpUDPSocket::RecvFrom(void* buf, int32_t size, uint16_t port, uint32_t ip) {
    peer_.IP = ip;
    peer_.Port = port;
    const UdpSocket::Received r = sock_.RecvFrom(buf, size > 0 ? static_cast<size_t>(size) : 0);
    using S = UdpSocket::Received::Status;
    consumed_ = r.status != S::WouldBlock;
    switch (r.status) {
    case S::Data:
    case S::TooLong:
        peer_.IP = r.ip_net;
        peer_.Port = r.port;
        return r.status == S::Data ? r.len : 0;
    case S::WouldBlock:
    case S::ConnReset:
        return 0;
    case S::Error:
        break;
    }
    throw TUDPException(FormatSockError("接收数据出错。错误码是%d", r.error));
}

void TqpUDPSocket::DataArrival() {
    if (OnDataArrival) OnDataArrival(*this, &peer_);
}

} // namespace kel
