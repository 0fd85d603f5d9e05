#include "HttpService.h"

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <httplib.h>

#include "TextChecks.h"
#include "foundation/Md5.h"

namespace kel::server {

namespace {

const char kHtmlType[] = "text/html; charset=utf-8";

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
           "</title></head>\n<body>\n" + body + "</body></html>\n";
}

int32_t ToInt(const std::string& text) {
    try {
        size_t used = 0;
        long v = std::stol(text, &used);
        if (used != text.size() || v < INT32_MIN || v > INT32_MAX) return 0;
        return static_cast<int32_t>(v);
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

HttpService::HttpService(Storage& db, Community& community, const ServerConfig& cfg, ServerLog& log)
    : db_(db), community_(community), cfg_(cfg), log_(log) {}

HttpService::~HttpService() { Stop(); }

bool HttpService::Start(const std::string& host, uint16_t port) {
    server_ = std::make_unique<httplib::Server>();
    auto& s = *server_;
    auto hall = [this](const httplib::Request& req, httplib::Response& res) {
        res.set_content(HallPage(ToInt(req.get_param_value("UserID")), req.get_param_value("password")), kHtmlType);
    };
    s.Get("/", hall);
    s.Get("/hall.htm", hall);
    s.Get("/getip", [this](const httplib::Request& req, httplib::Response& res) {
        auto where = Location(req.get_param_value("ip"));
        if (!where) res.status = 400;
        res.set_content(where.value_or(""), "text/plain; charset=utf-8");
    });
    // The client sends its look-up as a form post as well.
    s.Post("/getip", [this](const httplib::Request& req, httplib::Response& res) {
        auto where = Location(req.get_param_value("ip"));
        if (!where) res.status = 400;
        res.set_content(where.value_or(""), "text/plain; charset=utf-8");
    });
    s.Get("/kelvo_web_/index.htm", [this](const httplib::Request& req, httplib::Response& res) {
        res.set_content(RoomPage(ToInt(req.get_param_value("RoomID"))), kHtmlType);
    });
    s.Get("/pay", [this](const httplib::Request& req, httplib::Response& res) {
        res.set_content(PayPage(ToInt(req.get_param_value("RooomID")), ""), kHtmlType);
    });
    s.Post("/pay", [this](const httplib::Request& req, httplib::Response& res) {
        std::string notice =
            Pay(req.get_param_value("UserID"), req.get_param_value("password"), req.get_param_value("amount"));
        res.set_content(PayPage(0, notice), kHtmlType);
    });
    // The operator's command: curl -d UserID=..&password=..&RoomID=..&reason=.. <web>/admin/restart
    s.Post("/admin/restart", [this](const httplib::Request& req, httplib::Response& res) {
        std::string text = RestartNotice(req.get_param_value("UserID"), req.get_param_value("password"),
                                         req.get_param_value("RoomID"), req.get_param_value("reason"));
        res.set_content(text + "\n", "text/plain; charset=utf-8");
    });
    int bound = port == 0 ? s.bind_to_any_port(host) : (s.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        server_.reset();
        return false;
    }
    port_ = static_cast<uint16_t>(bound);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // The library's stop() reaches only a server that has begun listening;
    // a Stop() right after Start() would otherwise leave the thread in
    // accept for good. Its loop starts at once, so this wait is short.
    for (int i = 0; i < 5000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void HttpService::Stop() {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

std::string HttpService::HallPage(int32_t user_id, const std::string& digest) {
    std::string body = "<h2>房间大厅</h2>\n";
    if (user_id != 0) {
        auto user = db_.FindUser(user_id);
        if (user && NormalDigest(digest) == user->Digest)
            body += "<p>欢迎您，" + HtmlEscape(user->NickName) + "（" + std::to_string(user->Id) +
                    "）。账户余额：" + std::to_string(user->Coins) + "</p>\n";
    } else {
        body += "<p>欢迎您，游客。游客只能进入人气房间。</p>\n";
    }
    auto counts = community_.RoomCounts();
    int group = 0;
    for (const auto& room : db_.Rooms()) {
        const TRoomInfo& r = room.Info;
        if (r.ServerGroup != group) {
            if (group) body += "</table>\n";
            group = r.ServerGroup;
            body += "<h3>第" + std::to_string(group) + "组房间</h3>\n<table border=\"1\" cellpadding=\"4\">\n"
                    "<tr><th>房间号</th><th>房间名称</th><th>在线人数</th><th>说明</th></tr>\n";
        }
        std::string name = HtmlEscape(r.RoomName);
        std::string notes = HtmlEscape(r.Description);
        if (r.NeedPassword) notes += "（需要密码）";
        if (room.Popular) notes += "（人气房间）";
        std::string link = room.Closed ? name + "（维护中）"
                                       : "<a href=\"kelroomid:" + std::to_string(r.RoomID) + ",0\">" + name + "</a>";
        auto it = counts.find(r.RoomID);
        body += "<tr><td>" + std::to_string(r.RoomID) + "</td><td>" + link + "</td><td>" +
                std::to_string(it == counts.end() ? 0 : it->second) + "</td><td>" + notes + "</td></tr>\n";
    }
    if (group) body += "</table>\n";
    body += "<p><a href=\"" + HtmlEscape(cfg_.WebBase()) + "/pay\">帐户充值</a></p>\n";
    return Page("房间大厅", body);
}

std::string HttpService::RoomPage(int32_t room_id) {
    auto room = db_.FindRoom(room_id);
    if (!room) return Page("房间不存在", "<p>房间不存在</p>\n");
    const TRoomInfo& r = room->Info;
    std::string body = "<h2>" + HtmlEscape(r.RoomName) + "（" + std::to_string(r.RoomID) + "）</h2>\n";
    body += "<p>" + HtmlEscape(r.Description) + "</p>\n";
    body += "<p>在线人数：" + std::to_string(community_.RoomCount(r.RoomID)) + "</p>\n";
    if (r.ServerGroup >= 1 && r.ServerGroup <= 3)
        body += "<p>房间服务器端口：" + std::to_string(cfg_.PortRoom[r.ServerGroup - 1]) + "</p>\n";
    if (!room->Closed)
        body += "<p><a href=\"kelroomid:" + std::to_string(r.RoomID) + ",0\">进入房间</a></p>\n";
    return Page(r.RoomName, body);
}

std::string HttpService::PayPage(int32_t room_id, const std::string& notice) {
    std::string body = "<h2>帐户充值</h2>\n";
    if (!notice.empty()) body += "<p><b>" + HtmlEscape(notice) + "</b></p>\n";
    if (room_id > 0) {
        auto room = db_.FindRoom(room_id);
        if (room)
            body += "<p>进入房间「" + HtmlEscape(room->Info.RoomName) + "」需要用户等级 " +
                    std::to_string(room->Info.MinUserClass) + " 以上，请联系站长升级VIP。</p>\n";
    }
    body +=
        "<form method=\"post\" action=\"/pay\">\n"
        "<p>号码：<input name=\"UserID\"></p>\n"
        "<p>密码：<input name=\"password\" type=\"password\"></p>\n"
        "<p>金额：<input name=\"amount\" value=\"100\">（1 到 " +
        std::to_string(kMaxPayment) +
        "）</p>\n"
        "<p><input type=\"submit\" value=\"充值\"></p>\n</form>\n";
    return Page("帐户充值", body);
}

std::string HttpService::Pay(const std::string& user_text, const std::string& password, const std::string& amount_text) {
    int32_t id = ToInt(user_text);
    int32_t amount = ToInt(amount_text);
    auto user = id > 0 ? db_.FindUser(id) : std::nullopt;
    if (!user || Md5Hex(password) != user->Digest) return "号码或密码错误";
    if (amount < 1 || amount > kMaxPayment) return "金额无效";
    auto balance = db_.AddCoins(id, amount);
    if (!balance) return "充值失败";
    if (OnBalanceChanged) OnBalanceChanged(id, *balance);
    log_.Line("web: user " + std::to_string(id) + " paid " + std::to_string(amount) + ", balance " +
              std::to_string(*balance));
    return "充值成功，当前余额：" + std::to_string(*balance);
}

std::string HttpService::RestartNotice(const std::string& user_text, const std::string& password,
                                       const std::string& room_text, const std::string& reason) {
    const int32_t id = ToInt(user_text);
    auto user = id > 0 ? db_.FindUser(id) : std::nullopt;
    if (!user || Md5Hex(password) != user->Digest || user->Type != kStaff) return "号码或密码错误";
    const int32_t room = ToInt(room_text);
    if (room < 0 || (room > 0 && !db_.FindRoom(room))) return "房间不存在";
    if (reason.size() > 200) return "原因太长";
    if (OnRestartNotice) OnRestartNotice(room, reason);
    log_.Line("web: restart notice by " + std::to_string(id) + " for room " + std::to_string(room));
    return "已通知房间重启";
}

std::optional<std::string> HttpService::Location(const std::string& dotted) {
    in_addr a{};
    if (inet_pton(AF_INET, dotted.c_str(), &a) != 1) return std::nullopt;
    std::string where = db_.IpLocation(ntohl(a.s_addr));
    return where.empty() ? std::string("未知地区") : where;
}

} // namespace kel::server
