#include "ServerLog.h"

#include <arpa/inet.h>

#include <ctime>

namespace kel::server {

ServerLog::~ServerLog() {
    if (file_) std::fclose(file_);
}

bool ServerLog::OpenFile(const std::string& path) {
    std::lock_guard<std::mutex> g(lock_);
    if (file_) std::fclose(file_);
    file_ = std::fopen(path.c_str(), "a");
    return file_ != nullptr;
}

void ServerLog::Line(std::string_view text) {
    char stamp[32];
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::string line = std::string(stamp) + " " + std::string(text);
    std::lock_guard<std::mutex> g(lock_);
    if (!quiet_) std::fprintf(stderr, "%s\n", line.c_str());
    if (file_) {
        std::fprintf(file_, "%s\n", line.c_str());
        std::fflush(file_);
    }
    recent_.push_back(std::move(line));
    if (recent_.size() > 200) recent_.erase(recent_.begin(), recent_.begin() + 100);
}

std::vector<std::string> ServerLog::Recent() const {
    std::lock_guard<std::mutex> g(lock_);
    return recent_;
}

void DropLog::Dropped(uint32_t ip_net, uint16_t port, Tick now, std::string_view why) {
    uint64_t key = (static_cast<uint64_t>(ip_net) << 16) | port;
    {
        std::lock_guard<std::mutex> g(lock_);
        ++count_;
        auto it = last_.find(key);
        if (it != last_.end() && TickElapsed(now, it->second) < 60000) return;
        last_[key] = now;
        if (last_.size() > 4096) {
            for (auto i = last_.begin(); i != last_.end();) {
                i = TickElapsed(now, i->second) >= 60000 ? last_.erase(i) : std::next(i);
            }
        }
    }
    log_.Line("dropped from " + Endpoint(ip_net, port) + ": " + std::string(why));
}

uint64_t DropLog::Count() const {
    std::lock_guard<std::mutex> g(lock_);
    return count_;
}

std::string Endpoint(uint32_t ip_net, uint16_t port) {
    char buf[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = ip_net;
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return std::string(buf) + ":" + std::to_string(port);
}

} // namespace kel::server
