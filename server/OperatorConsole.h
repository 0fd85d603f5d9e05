#pragma once
// The operator's commands, one line each, as typed on the server's console:
//   announce ROOM TEXT   system announcement to a room (0: every room)
//   restart ROOM [REASON] notice that the room restarts in ten minutes
//   help
// Returns the answer to print.
#include <string>

namespace kel::server {

class ServerApp;

std::string RunOperatorCommand(ServerApp& app, const std::string& line);

} // namespace kel::server
