#include "ServerConfig.h"

#include <arpa/inet.h>

#include "platform/IniFile.h"

namespace kel::server {

namespace {

uint16_t Port(const TIniFile& ini, const char* key, uint16_t def) {
    int32_t v = ini.ReadInteger("Server", key, def);
    return (v >= 0 && v <= 65535) ? static_cast<uint16_t>(v) : def;
}

std::string Resolve(const std::string& path, const std::string& app_dir) {
    if (path.empty() || path[0] == '/') return path;
    return app_dir + path;
}

} // namespace

namespace {

// The host clients are told: the public address, else the listening one,
// else loopback.
std::string ClientHost(const ServerConfig& c) {
    if (!c.PublicAddress.empty()) return c.PublicAddress;
    return (c.ListenAddress.empty() || c.ListenAddress == "0.0.0.0") ? "127.0.0.1" : c.ListenAddress;
}

} // namespace

std::string ServerConfig::WebBase() const { return "http://" + ClientHost(*this) + ":" + std::to_string(PortHttp); }

uint32_t ServerConfig::MediaIp() const {
    in_addr a{};
    if (inet_pton(AF_INET, ClientHost(*this).c_str(), &a) != 1) return 0;
    return a.s_addr;
}

ServerConfig LoadServerConfig(const std::string& file, const std::string& app_dir) {
    ServerConfig c;
    TIniFile ini(file);
    c.ListenAddress = ini.ReadString("Server", "ListenAddress", c.ListenAddress);
    c.PublicAddress = ini.ReadString("Server", "PublicAddress", c.PublicAddress);
    c.PortHall = Port(ini, "PortHall", c.PortHall);
    c.PortRoom[0] = Port(ini, "PortRoom1", c.PortRoom[0]);
    c.PortRoom[1] = Port(ini, "PortRoom2", c.PortRoom[1]);
    c.PortRoom[2] = Port(ini, "PortRoom3", c.PortRoom[2]);
    c.PortHttp = Port(ini, "PortHttp", c.PortHttp);
    c.PortMedia = Port(ini, "PortMedia", c.PortMedia);
    c.Database = Resolve(ini.ReadString("Server", "Database", c.Database), app_dir);
    int32_t timeout = ini.ReadInteger("Server", "SessionTimeoutMs", static_cast<int32_t>(c.SessionTimeoutMs));
    if (timeout > 0) c.SessionTimeoutMs = static_cast<uint32_t>(timeout);
    int32_t check = ini.ReadInteger("Server", "SessionCheckMs", static_cast<int32_t>(c.SessionCheckMs));
    if (check > 0) c.SessionCheckMs = static_cast<uint32_t>(check);
    c.WordFilter = ini.ReadString("Server", "WordFilter", c.WordFilter);
    c.RegistrationsPerHour = ini.ReadInteger("Server", "RegistrationsPerHour", c.RegistrationsPerHour);
    std::string gifts = ini.ReadString("Server", "GiftCatalogue", "");
    c.GiftCatalogue = gifts.empty() ? "" : Resolve(gifts, app_dir);
    c.LogFile = Resolve(ini.ReadString("Server", "LogFile", ""), app_dir);
    return c;
}

} // namespace kel::server
