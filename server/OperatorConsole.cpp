#include "OperatorConsole.h"

#include <charconv>

#include "ServerApp.h"

namespace kel::server {
namespace {

std::string_view NextWord(std::string_view& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) {
        s = {};
        return {};
    }
    s.remove_prefix(b);
    size_t e = s.find_first_of(" \t");
    std::string_view w = s.substr(0, e);
    s.remove_prefix(e == std::string_view::npos ? s.size() : e);
    return w;
}

constexpr const char* kHelp =
    "commands: announce ROOM TEXT, restart ROOM [REASON] (ROOM 0 = every room), help";

} // namespace

std::string RunOperatorCommand(ServerApp& app, const std::string& line) {
    std::string_view rest = line;
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.remove_suffix(1);
    std::string_view cmd = NextWord(rest);
    if (cmd.empty()) return {};
    if (cmd == "help") return kHelp;
    if (cmd == "announce") {
        std::string_view room_text = NextWord(rest);
        int32_t room = 0;
        auto [p, ec] = std::from_chars(room_text.data(), room_text.data() + room_text.size(), room);
        size_t b = rest.find_first_not_of(" \t");
        if (ec != std::errc() || p != room_text.data() + room_text.size() || room < 0 || b == std::string_view::npos)
            return "usage: announce ROOM TEXT";
        std::string text(rest.substr(b));
        int reached = 0;
        for (int g = 1; g <= 3; ++g)
            if (RoomService* r = app.Rooms(g)) reached += r->Chat().Announce(room, text);
        return "announced to " + std::to_string(reached) + " stays";
    }
    if (cmd == "restart") {
        std::string_view room_text = NextWord(rest);
        int32_t room = 0;
        auto [p, ec] = std::from_chars(room_text.data(), room_text.data() + room_text.size(), room);
        if (room_text.empty() || ec != std::errc() || p != room_text.data() + room_text.size() || room < 0)
            return "usage: restart ROOM [REASON]";
        size_t b = rest.find_first_not_of(" \t");
        std::string reason = b == std::string_view::npos ? std::string() : std::string(rest.substr(b));
        int reached = 0;
        for (int g = 1; g <= 3; ++g)
            if (RoomService* r = app.Rooms(g)) reached += r->AnnounceRestart(room, reason);
        return "restart notice to " + std::to_string(reached) + " stays";
    }
    return std::string("unknown command; ") + kHelp;
}

} // namespace kel::server
