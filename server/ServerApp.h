#pragma once
// The whole community server on one loop: storage, the hall service on the
// hall port, one room service per room port, and the web server. Start and
// Stop run on the loop's thread (before and after it runs, or inside it).
#include <array>
#include <memory>
#include <string>

#include "Community.h"
#include "HallService.h"
#include "HttpService.h"
#include "MessagePort.h"
#include "RoomService.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "Storage.h"
#include "platform/Loop.h"
#include "protocol/Encrypt.h"

namespace kel::server {

class ServerApp {
public:
    ServerApp(ServerConfig cfg, ILoop& loop, ServerLog& log);
    ~ServerApp();

    // With `any_free_ports` every port is bound to a free one (tests); the
    // configuration then holds the ports actually bound.
    bool Start(std::string* error, bool any_free_ports = false);
    void Stop();

    const ServerConfig& Config() const { return cfg_; }
    Storage& Db() { return *db_; }
    Community& Members() { return community_; }
    DropLog& Drops() { return drops_; }
    uint16_t HallPort() const { return cfg_.PortHall; }
    uint16_t RoomPort(int group) const { return cfg_.PortRoom[group - 1]; }
    uint16_t HttpPort() const { return cfg_.PortHttp; }
    // The room service of server group 1..3, or null before Start.
    RoomService* Rooms(int group) { return group >= 1 && group <= 3 ? rooms_[group - 1].get() : nullptr; }

private:
    ServerConfig cfg_;
    ILoop& loop_;
    ServerLog& log_;
    DropLog drops_;
    TEncrypt cipher_;
    Community community_;
    std::unique_ptr<Storage> db_;
    std::unique_ptr<MessagePort> hall_port_;
    std::array<std::unique_ptr<MessagePort>, 3> room_ports_;
    std::unique_ptr<HallService> hall_;
    std::array<std::unique_ptr<RoomService>, 3> rooms_;
    std::unique_ptr<HttpService> http_;
};

} // namespace kel::server
