// The IP-location look-up over a real loopback connection.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "platform/ManualLoop.h"
#include "room/IpLocator.h"

namespace kel {
namespace {

// Accepts one connection, keeps the request line, answers `reply`.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply) : reply_(std::move(reply)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t l = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &l);
        port_ = ntohs(a.sin_port);
        ::listen(fd_, 1);
        thread_ = std::thread([this] {
            int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            char buf[2048];
            std::string req;
            while (req.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                req.append(buf, static_cast<size_t>(n));
            }
            request_ = req.substr(0, req.find("\r\n"));
            ::send(c, reply_.data(), reply_.size(), MSG_NOSIGNAL);
            ::close(c);
        });
    }
    ~OneShotServer() {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        if (thread_.joinable()) thread_.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/getip"; }
    std::string Request() {
        if (thread_.joinable()) thread_.join();
        return request_;
    }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    std::string reply_;
    std::string request_;
    std::thread thread_;
};

TEST(IpLocator, FetchesTheLocationText) {
    OneShotServer s("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n浙江省杭州市\r\n");
    EXPECT_EQ(THttpIpLocator::Fetch(s.Url(), "10.1.2.3", 2000), "浙江省杭州市");
    EXPECT_EQ(s.Request(), "GET /getip?ip=10.1.2.3 HTTP/1.0");
}

TEST(IpLocator, FailuresGiveAnEmptyLocation) {
    {
        OneShotServer s("HTTP/1.1 400 Bad Request\r\n\r\nbad");
        EXPECT_EQ(THttpIpLocator::Fetch(s.Url(), "x", 2000), "");
    }
    std::string closed_url;
    {
        OneShotServer s("");
        closed_url = s.Url();
    }
    EXPECT_EQ(THttpIpLocator::Fetch(closed_url, "10.1.2.3", 2000), ""); // refused
    EXPECT_EQ(THttpIpLocator::Fetch("ftp://x/getip", "10.1.2.3", 2000), "");
}

TEST(IpLocator, AnswerComesBackOnTheLoop) {
    ManualLoop loop;
    OneShotServer s("HTTP/1.0 200 OK\r\n\r\n本机");
    std::string got = "none";
    {
        THttpIpLocator locator(loop, s.Url(), 2000);
        locator.Locate("127.0.0.1", [&](const std::string& where) { got = where; });
        EXPECT_EQ(got, "none"); // never on the caller's stack
    } // waits for the look-up thread
    loop.RunUntilIdle();
    EXPECT_EQ(got, "本机");
}

} // namespace
} // namespace kel
