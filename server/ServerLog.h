#pragma once
// The server's log: one time-stamped line per session event, to standard
// error and, when configured, appended to a file. Thread-safe.
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Tick.h"

namespace kel::server {

class ServerLog {
public:
    ServerLog() = default;
    ~ServerLog();
    ServerLog(const ServerLog&) = delete;
    ServerLog& operator=(const ServerLog&) = delete;

    bool OpenFile(const std::string& path);
    void SetQuiet(bool quiet) { quiet_ = quiet; }
    void Line(std::string_view text);

    // The last lines written, for tests and the status page.
    std::vector<std::string> Recent() const;

private:
    mutable std::mutex lock_;
    FILE* file_ = nullptr;
    bool quiet_ = false;
    std::vector<std::string> recent_;
};

// Drops of bad datagrams are logged at most once per source and minute, so
// a flood cannot flood the log.
class DropLog {
public:
    explicit DropLog(ServerLog& log) : log_(log) {}
    void Dropped(uint32_t ip_net, uint16_t port, Tick now, std::string_view why);
    uint64_t Count() const;

private:
    ServerLog& log_;
    mutable std::mutex lock_;
    std::map<uint64_t, Tick> last_;
    uint64_t count_ = 0;
};

// "a.b.c.d:port"
std::string Endpoint(uint32_t ip_net, uint16_t port);

} // namespace kel::server
