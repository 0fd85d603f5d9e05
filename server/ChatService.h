#pragma once
// The chat of the room server: chat messages (19012) checked against the
// room's chat bars and the user's chat ban and delivered as 19014 to the
// addressee and 9013 to the room, fun phrases (20022, answered by 20023 and
// delivered as 9084), dice thrown by the server (81041 -> 8006), and the
// operator's system announcements (8001).
#include <cstdint>
#include <random>
#include <set>
#include <string>

#include "MessageSink.h"

namespace kel::server {

class RoomService;

class ChatService {
public:
    explicit ChatService(RoomService& rooms);

    // Handles a chat code; false for any other code.
    bool OnMessage(const Inbound& in);

    // Sends a system announcement to every stay in `room_id`, or in every
    // room of this service when it is 0; the number of stays reached.
    int Announce(int32_t room_id, const std::string& text);

    // Bans or allows chat for a stay; false when there is no such stay.
    bool SetChatForbidden(int32_t room_id, int32_t user_id, bool forbidden);

    // Patrol numbers watch rooms and may not chat.
    std::set<int32_t> PatrolNumbers;

    // The dice, replaceable for tests (1..6 each).
    std::mt19937 Dice{std::random_device{}()};

private:
    void Chat(const Inbound& in);
    void FunPhrase(const Inbound& in);
    void Throw(const Inbound& in);

    RoomService& rooms_;
};

} // namespace kel::server
