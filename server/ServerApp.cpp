#include "ServerApp.h"

#include "DemoCommunity.h"
#include "PortCheck.h"

namespace kel::server {

ServerApp::ServerApp(ServerConfig cfg, ILoop& loop, ServerLog& log)
    : cfg_(std::move(cfg)), loop_(loop), log_(log), drops_(log) {}

ServerApp::~ServerApp() { Stop(); }

bool ServerApp::Start(std::string* error, bool any_free_ports) {
    if (!any_free_ports) {
        // The endpoints listen on every address, the web server on ours.
        std::string busy;
        if (!PortFree(PortKind::Udp, "", cfg_.PortHall)) busy += " " + std::to_string(cfg_.PortHall);
        for (uint16_t p : cfg_.PortRoom)
            if (p && !PortFree(PortKind::Udp, "", p)) busy += " " + std::to_string(p);
        if (cfg_.PortHttp && !PortFree(PortKind::Tcp, cfg_.ListenAddress, cfg_.PortHttp))
            busy += " " + std::to_string(cfg_.PortHttp) + "/tcp";
        if (!busy.empty()) {
            if (error) *error = "ports in use (is another server running?):" + busy;
            return false;
        }
    }

    std::string why;
    db_ = Storage::Open(cfg_.Database, &why);
    if (!db_) {
        if (error) *error = "database " + cfg_.Database + ": " + why;
        return false;
    }
    const bool loopback_only = cfg_.ListenAddress.rfind("127.", 0) == 0;

    hall_port_ = std::make_unique<MessagePort>("hall", loop_, cipher_, drops_, loopback_only);
    if (!hall_port_->Open(any_free_ports ? 0 : cfg_.PortHall, error)) return false;
    cfg_.PortHall = hall_port_->BoundPort();
    for (int g = 0; g < 3; ++g) {
        if (cfg_.PortRoom[g] == 0 && !any_free_ports) continue;  // this server group is not served
        room_ports_[g] = std::make_unique<MessagePort>("room" + std::to_string(g + 1), loop_, cipher_, drops_,
                                                       loopback_only);
        if (!room_ports_[g]->Open(any_free_ports ? 0 : cfg_.PortRoom[g], error)) return false;
        cfg_.PortRoom[g] = room_ports_[g]->BoundPort();
    }

    if (cfg_.PortHttp != 0) {
        http_ = std::make_unique<HttpService>(*db_, community_, cfg_, log_);
        // Web threads hand their notices to the loop, where the rooms live.
        http_->OnBalanceChanged = [this](int32_t user, int32_t coins) {
            loop_.Post([this, user, coins] {
                for (auto& r : rooms_)
                    if (r) r->BalanceChanged(user, coins);
            });
        };
        http_->OnRestartNotice = [this](int32_t room, const std::string& reason) {
            loop_.Post([this, room, reason] {
                for (auto& r : rooms_)
                    if (r) r->AnnounceRestart(room, reason);
            });
        };
        std::string host = cfg_.ListenAddress.empty() ? "0.0.0.0" : cfg_.ListenAddress;
        if (!http_->Start(host, any_free_ports ? 0 : cfg_.PortHttp)) {
            if (error) *error = "web server: cannot listen on " + host + ":" + std::to_string(cfg_.PortHttp);
            return false;
        }
        cfg_.PortHttp = http_->Port();
    }

    // The links stored with the demo rooms point at the web server, so the
    // seeding waits until its port is known.
    // Also a database whose first start stopped before the seeding.
    if (db_->Created() || (db_->UserCount() == 0 && db_->Rooms().empty())) {
        std::string gift_error;
        auto gifts = cfg_.GiftCatalogue.empty() ? std::vector<GiftRow>{}
                                                : GiftsFromCatalogue(cfg_.GiftCatalogue, &gift_error);
        if (!gift_error.empty()) log_.Line("gift catalogue " + cfg_.GiftCatalogue + ": " + gift_error);
        SeedDemoCommunity(*db_, gifts, cfg_.WebBase());
        log_.Line("new database " + cfg_.Database + " seeded with the demo community (" +
                  std::to_string(gifts.size()) + " gifts)");
    }

    hall_ = std::make_unique<HallService>(loop_, *db_, cfg_, community_, *hall_port_, log_, drops_);
    hall_port_->OnMessage = [this](const Inbound& in) { hall_->OnMessage(in); };
    for (int g = 0; g < 3; ++g) {
        if (!room_ports_[g]) continue;
        rooms_[g] = std::make_unique<RoomService>(g + 1, loop_, *db_, cfg_, community_, *room_ports_[g], log_, drops_);
        RoomService* svc = rooms_[g].get();
        room_ports_[g]->OnMessage = [svc](const Inbound& in) { svc->OnMessage(in); };
    }

    std::string ports = "hall " + std::to_string(cfg_.PortHall);
    for (int g = 0; g < 3; ++g)
        if (room_ports_[g]) ports += ", room" + std::to_string(g + 1) + " " + std::to_string(cfg_.PortRoom[g]);
    if (http_) ports += ", web " + std::to_string(cfg_.PortHttp);
    log_.Line("listening (" + ports + ")" + (loopback_only ? " for loopback peers only" : ""));
    return true;
}

void ServerApp::Stop() {
    if (http_) http_->Stop();
    if (hall_port_) hall_port_->Close();
    for (auto& p : room_ports_)
        if (p) p->Close();
    for (auto& r : rooms_) r.reset();
    hall_.reset();
    http_.reset();
    hall_port_.reset();
    for (auto& p : room_ports_) p.reset();
    db_.reset();
}

} // namespace kel::server
