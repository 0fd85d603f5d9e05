#pragma once
// The community's web pages on their own threads: the hall page with the
// rooms and their "kelroomid:" links, the IP-location look-up /getip, the
// room page /kelvo_web_/index.htm, and the payment page /pay. Pages are
// plain HTML without scripts.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Community.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "Storage.h"

namespace httplib {
class Server;
}

namespace kel::server {

class HttpService {
public:
    HttpService(Storage& db, Community& community, const ServerConfig& cfg, ServerLog& log);
    ~HttpService();

    // Binds `host`:`port` (0 = any free port) and starts serving.
    bool Start(const std::string& host, uint16_t port);
    void Stop();
    uint16_t Port() const { return port_; }

    // The pages, also used by tests without a socket.
    std::string HallPage(int32_t user_id, const std::string& digest);
    std::string RoomPage(int32_t room_id);
    std::string PayPage(int32_t room_id, const std::string& notice);
    // Adds coins after checking the password; the text to show.
    std::string Pay(const std::string& user, const std::string& password, const std::string& amount);
    // The location text of a dotted address; nullopt when it is not one.
    std::optional<std::string> Location(const std::string& dotted);

    static constexpr int32_t kMaxPayment = 100000;

    // A payment changed a balance (user, new balance); runs on a web
    // thread, so the receiver hands it to its own loop.
    std::function<void(int32_t user_id, int32_t coins)> OnBalanceChanged;

    // The operator's restart notice: a staff account (user number and
    // password) announces that a room (0: every room) restarts in ten
    // minutes. The text to show.
    std::string RestartNotice(const std::string& user, const std::string& password, const std::string& room,
                              const std::string& reason);
    // Runs on a web thread, like OnBalanceChanged.
    std::function<void(int32_t room_id, const std::string& reason)> OnRestartNotice;

private:
    Storage& db_;
    Community& community_;
    const ServerConfig& cfg_;
    ServerLog& log_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    uint16_t port_ = 0;
};

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(const std::string& text);

} // namespace kel::server
