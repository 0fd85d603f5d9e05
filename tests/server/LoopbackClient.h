#pragma once
// The client side of the end-to-end tests: the project's reliable endpoint
// and envelope on a loop thread of their own, talking to a server on
// loopback. Received plaintexts are kept in arrival order; WaitFor blocks
// until a message with a given code has arrived (the message is expected;
// nothing here waits for a time-out to pass).
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/PollLoop.h"
#include "protocol/Encrypt.h"
#include "protocol/Envelope.h"
#include "protocol/LayoutSupport.h"
#include "protocol/MessageChannel.h"
#include "transport/PackUdp.h"

namespace kel::server::test {

// A PollLoop running on its own thread; objects on it are set up before
// Start and torn down after Stop.
class LoopThread {
public:
    ~LoopThread() { Stop(); }
    PollLoop& Loop() { return loop_; }
    // Returns once the loop runs: a Stop that came before Run began would
    // be lost, because Run clears the stop request when it starts.
    void Start() {
        std::promise<void> running;
        auto started = running.get_future();
        loop_.Post([&running] { running.set_value(); });
        thread_ = std::thread([this] { loop_.Run(); });
        started.wait();
    }
    void Stop() {
        if (!thread_.joinable()) return;
        loop_.Stop();
        thread_.join();
    }

private:
    PollLoop loop_;
    std::thread thread_;
};

class LoopbackClient {
public:
    static constexpr uint32_t kLoopback = 0x0100007f;  // 127.0.0.1 in network order

    LoopbackClient() : udp_(thread_.Loop()) {
        udp_.OnRecv = [this](TPackUdp&, uint32_t, uint16_t port, const uint8_t* buf, int32_t len) {
            auto plain = OpenMessage(cipher_, buf, static_cast<size_t>(len));
            if (!plain) return;
            std::lock_guard<std::mutex> g(lock_);
            inbox_.push_back({port, std::move(*plain)});
            cv_.notify_all();
        };
        udp_.SetPort(0);
        udp_.SetActive(true);
        thread_.Start();
    }
    ~LoopbackClient() {
        thread_.Stop();
        udp_.SetActive(false);
    }

    uint16_t Port() const { return udp_.BoundPort(); }

    void SendRaw(uint16_t port, const std::vector<uint8_t>& plain) {
        SendMessage(udp_, cipher_, kLoopback, port, plain.data(), static_cast<int32_t>(plain.size()));
    }
    template <class T>
    void Send(uint16_t port, const T& msg) {
        SendRaw(port, Encode(msg));
    }
    // Bytes that are not a valid envelope at all.
    void SendGarbage(uint16_t port, const std::vector<uint8_t>& bytes) {
        udp_.SendReliable(kLoopback, port, bytes.data(), static_cast<int32_t>(bytes.size()));
    }

    // The first message with `code` not taken yet (from `port` when it is
    // not 0), waiting up to two seconds of real time for it to arrive.
    std::optional<std::vector<uint8_t>> WaitFor(int32_t code, uint16_t port = 0) {
        std::unique_lock<std::mutex> g(lock_);
        std::optional<std::vector<uint8_t>> found;
        cv_.wait_for(g, std::chrono::seconds(2), [&] {
            for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
                if (MessageCode(it->plain.data(), it->plain.size()) == code && (port == 0 || it->port == port)) {
                    found = std::move(it->plain);
                    inbox_.erase(it);
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    template <class T>
    std::optional<T> WaitForMessage(int32_t code = T::kCode) {
        auto b = WaitFor(code);
        if (!b) return std::nullopt;
        return Decode<T>(*b);
    }

    // Codes received and not taken, in arrival order.
    std::vector<int32_t> Pending() {
        std::lock_guard<std::mutex> g(lock_);
        std::vector<int32_t> codes;
        for (const auto& m : inbox_) codes.push_back(MessageCode(m.plain.data(), m.plain.size()));
        return codes;
    }

private:
    struct Msg {
        uint16_t port;
        std::vector<uint8_t> plain;
    };
    LoopThread thread_;
    TEncrypt cipher_;
    TPackUdp udp_;
    std::mutex lock_;
    std::condition_variable cv_;
    std::deque<Msg> inbox_;
};

} // namespace kel::server::test
