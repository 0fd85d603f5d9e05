#pragma once
// The community server's own settings, read from an INI file (section
// [Server]); every missing key takes the default a loopback demo needs.
#include <cstdint>
#include <string>

namespace kel::server {

struct ServerConfig {
    std::string ListenAddress = "127.0.0.1";
    // The address clients are told to use for the web pages; defaults to
    // ListenAddress (or 127.0.0.1 when listening on every address).
    std::string PublicAddress;
    uint16_t PortHall = 23456;
    uint16_t PortRoom[3] = {20011, 20022, 20033};
    uint16_t PortHttp = 8080;  // 0 = no web server
    // The media relay handed out with every mic grant.
    uint16_t PortMedia = 20044;
    std::string Database = "kelserver.db";
    // A session that sent nothing for this long is removed as if it had
    // left. The client gives up after 300000 ms without an answer.
    uint32_t SessionTimeoutMs = 300000;
    uint32_t SessionCheckMs = 5000;
    // The chat word filter handed out at login: a regular expression whose
    // matches the client masks.
    std::string WordFilter = "fuck|shit|操你";
    // Registrations accepted from one address per hour.
    int32_t RegistrationsPerHour = 20;
    // The gift catalogue source seeded into a new database (CSV).
    std::string GiftCatalogue;
    // Optional log file; the log always goes to standard error too.
    std::string LogFile;

    std::string WebBase() const;  // "http://host:port"
    // The address clients reach this server at, network byte order.
    uint32_t MediaIp() const;
};

// Reads `file`; a missing file gives the defaults. `app_dir` (with a
// trailing slash) is where relative paths in the file are taken from.
ServerConfig LoadServerConfig(const std::string& file, const std::string& app_dir);

} // namespace kel::server
