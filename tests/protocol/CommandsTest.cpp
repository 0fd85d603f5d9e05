#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "protocol/Commands.h"
#include "protocol/Envelope.h"

using namespace kel;

TEST(Commands, EachCodeAppearsOncePerDirectionAndConversation) {
    std::set<std::tuple<int32_t, Direction, Conversation>> seen;
    for (const CommandInfo& c : CommandTable()) {
        EXPECT_TRUE(seen.insert({c.code, c.dir, c.conv}).second) << c.code;
        EXPECT_GE(c.code, 0);
        EXPECT_LT(c.code, kCommandCodeLimit);
        EXPECT_FALSE(c.meaning.empty()) << c.code;
    }
}

TEST(Commands, LookupsDependOnDirectionAndConversation) {
    struct Case {
        int32_t code;
        Direction dir;
        Conversation conv;
        bool listed;
    };
    using D = Direction;
    using C = Conversation;
    const Case cases[] = {
        // The keep-alive pair serves both the hall and the room.
        {cmd::kKeepAlive, D::Out, C::Hall, true},
        {cmd::kKeepAlive, D::Out, C::Room, true},
        {cmd::kKeepAliveAnswer, D::In, C::Hall, true},
        {cmd::kKeepAliveAnswer, D::In, C::Room, true},
        {cmd::kKeepAlive, D::In, C::Room, false},
        // A room chat broadcast means nothing to the hall.
        {cmd::kChatMessage, D::In, C::Room, true},
        {cmd::kChatMessage, D::In, C::Hall, false},
        {cmd::kChat, D::In, C::Room, false},
        // The private mic exchange uses the same codes both ways.
        {cmd::kWatchPriMic, D::Out, C::Room, true},
        {cmd::kWatchPriMic, D::In, C::Room, true},
        {cmd::kWatchPriMicAnswer, D::In, C::Room, true},
        {cmd::kForbidPriMicViewer, D::In, C::Room, true},
        {cmd::kPayPriMic, D::In, C::Room, false},
        // Conversations of their own.
        {cmd::kLogin, D::Out, C::Hall, true},
        {cmd::kRoomEntry, D::Out, C::RoomEntry, true},
        {cmd::kRoomEntry, D::Out, C::Hall, false},
        {cmd::kRegister, D::Out, C::Registration, true},
        {cmd::kMediaSubscribe, D::Out, C::Media, true},
        {cmd::kMediaViewerRegisterAnswer, D::In, C::Media, true},
        {12345, D::In, C::Room, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsCommand(c.code, c.dir, c.conv), c.listed) << c.code;
    static_assert(FindCommand(cmd::kLogin, Direction::Out, Conversation::Hall)->code == 11000);
}
