#pragma once
// The catalogue of every command code the client sends or understands.
//
// Each window has its own endpoint and dispatcher, so a code only means
// something within its conversation, and one number may serve both
// directions of an exchange (10021 is the keep-alive of the hall and of the
// room; 20091 is both the watch request and its notice to the owner). The
// table below records direction and conversation for every code so that
// dispatchers and tests can ask whether a code belongs to them.
#include <cstdint>
#include <span>
#include <string_view>

namespace kel {

namespace cmd {

// First int32 of every plaintext (hexadecimal 000C935C).
inline constexpr int32_t kMessageSignature = 824156;

// ---- Registration (registration window <-> hall servers)
inline constexpr int32_t kRegister = 10001;
inline constexpr int32_t kRegisterAnswer = 10002;

// ---- Hall (hall window <-> hall server)
inline constexpr int32_t kServerProbe = 10008;
inline constexpr int32_t kServerProbeAnswer = 10009;
inline constexpr int32_t kKeepAlive = 10021;       // hall and room
inline constexpr int32_t kKeepAliveAnswer = 10022; // hall and room
inline constexpr int32_t kLogin = 11000;
inline constexpr int32_t kLoginAnswer = 11001;
inline constexpr int32_t kLogout = 11002;
inline constexpr int32_t kLoggedInElsewhere = 11003;
inline constexpr int32_t kChangeProfile = 19021; // nickname or password
inline constexpr int32_t kChangeProfileAnswer = 19022;
inline constexpr int32_t kRoomQuery = 20007;
inline constexpr int32_t kRoomQueryAnswer = 20008;

// ---- Room entry (hall window <-> room server)
inline constexpr int32_t kRoomEntry = 20010;
inline constexpr int32_t kRoomEntryAnswer = 20011; // carries the room record

// ---- Room, sent by the room window
inline constexpr int32_t kPublishNotice = 10187;
inline constexpr int32_t kUserProfileQuery = 19001;
inline constexpr int32_t kKickUser = 19003;
inline constexpr int32_t kUserAddressQuery = 19009;
inline constexpr int32_t kChat = 19012;
inline constexpr int32_t kAppointTempManager = 19017;
inline constexpr int32_t kAppointManager = 19018;
inline constexpr int32_t kForbidChat = 19111; // forbid or allow
inline constexpr int32_t kEnterRoom = 20013;
inline constexpr int32_t kLeaveRoom = 20015;
inline constexpr int32_t kSendGift = 20020;
inline constexpr int32_t kFunPhrase = 20022; // fun phrase, action or flower
inline constexpr int32_t kExchangeGift = 20030;
inline constexpr int32_t kWatchPriMic = 20091;        // out: ask to watch; in: somebody asks
inline constexpr int32_t kWatchPriMicAnswer = 20092;  // the owner's answer, both ways
inline constexpr int32_t kStopWatchPriMic = 21098;    // out: stop watching; in: a viewer stopped
inline constexpr int32_t kForbidPriMicViewer = 21099; // out: forbid a viewer; in: this viewer forbidden
inline constexpr int32_t kPayPriMic = 21105;
inline constexpr int32_t kAskMic = 30001;
inline constexpr int32_t kReleaseHeldMic = 30011;
inline constexpr int32_t kLeaveMic = 30021;
inline constexpr int32_t kHoldMic = 30031;
inline constexpr int32_t kAddMicTime = 30033;
inline constexpr int32_t kSetMicOrder = 30035;
inline constexpr int32_t kRoomSettingsQuery = 80001;
inline constexpr int32_t kSaveRoomSettings = 80003;
inline constexpr int32_t kUserBlackListQuery = 80004;
inline constexpr int32_t kChangeUserBlackList = 80006;
inline constexpr int32_t kAddressBlackListQuery = 80007;
inline constexpr int32_t kChangeAddressBlackList = 80009;
inline constexpr int32_t kManagerListQuery = 80010;
inline constexpr int32_t kChangeManager = 80012;
inline constexpr int32_t kTempManagerListQuery = 80025;
inline constexpr int32_t kDismissTempManager = 80027;
inline constexpr int32_t kForbidPriMic = 80031;
inline constexpr int32_t kSendLoudspeaker = 81018;
inline constexpr int32_t kDice = 81041;

// ---- Room, received by the room window
inline constexpr int32_t kMicStateList = 8000;
inline constexpr int32_t kSystemAnnouncement = 8001;
inline constexpr int32_t kLuxuryGiftList = 8002;
inline constexpr int32_t kLoudspeaker = 8003;
inline constexpr int32_t kGiftBroadcast = 8004; // gift or brick on the loudspeaker panel
inline constexpr int32_t kRoomRestart = 8005;
inline constexpr int32_t kDiceResult = 8006;
inline constexpr int32_t kChatForbidden = 8007; // forbidden or allowed again
inline constexpr int32_t kGiftEvent = 8009;
inline constexpr int32_t kGameWin = 8010;
inline constexpr int32_t kMicQueueList = 8011;
inline constexpr int32_t kRoomSettingsChanged = 8013;
inline constexpr int32_t kManagerChanged = 8014;
inline constexpr int32_t kUserLeft = 8016;
inline constexpr int32_t kTempManagerDismissed = 8028;
inline constexpr int32_t kMicChanged = 8033;
inline constexpr int32_t kMicTimeAdded = 8034;
inline constexpr int32_t kMicQueueReordered = 8035;
inline constexpr int32_t kUserEntered = 8041;
inline constexpr int32_t kVideoClosed = 8098;
inline constexpr int32_t kRoomNoticeBroadcast = 8888;
inline constexpr int32_t kUserRemoved = 9005;
inline constexpr int32_t kChatMessage = 9013;
inline constexpr int32_t kUserLeftMic = 9014;
inline constexpr int32_t kTempManagerAppointed = 9018;
inline constexpr int32_t kManagerAppointed = 9019;
inline constexpr int32_t kGiftReceived = 9083;
inline constexpr int32_t kFunPhraseDelivered = 9084;
inline constexpr int32_t kBalanceChanged = 10140;
inline constexpr int32_t kMicGranted = 11107;
inline constexpr int32_t kUserProfileAnswer = 19002;
inline constexpr int32_t kKickAnswer = 19004;
inline constexpr int32_t kUserAddressAnswer = 19010;
inline constexpr int32_t kPaidPriMicStopped = 19013; // lack of coins
inline constexpr int32_t kPrivateChat = 19014;
inline constexpr int32_t kChatRefused = 19015;
inline constexpr int32_t kForbidChatAnswer = 19112;
inline constexpr int32_t kUserEnteredNotice = 20016;
inline constexpr int32_t kUserLeftNotice = 20017;
inline constexpr int32_t kSendGiftAnswer = 20021;
inline constexpr int32_t kFunPhraseAnswer = 20023;
inline constexpr int32_t kExchangeGiftAnswer = 20031;
inline constexpr int32_t kWatchPriMicFailed = 20090;
inline constexpr int32_t kWatchPriMicStart = 20097;
inline constexpr int32_t kEnterRoomAnswer = 20111;
inline constexpr int32_t kUserListWithNotices = 20121;
inline constexpr int32_t kUserListMicStates = 20122;
inline constexpr int32_t kUserList = 20123; // without entry notices
inline constexpr int32_t kNewPriMicViewer = 21100;
inline constexpr int32_t kPaidPriMicPrice = 21101;
inline constexpr int32_t kPayPriMicAnswer = 21106;
inline constexpr int32_t kAskMicAnswer = 30002;
inline constexpr int32_t kReleaseHeldMicAnswer = 30012;
inline constexpr int32_t kHoldMicAnswer = 30032;
inline constexpr int32_t kAddMicTimeAnswer = 30034;
inline constexpr int32_t kSetMicOrderAnswer = 30036;
inline constexpr int32_t kRoomSettings = 80002;
inline constexpr int32_t kUserBlackList = 80005;
inline constexpr int32_t kAddressBlackList = 80008;
inline constexpr int32_t kManagerList = 80011;
inline constexpr int32_t kChangeUserBlackListAnswer = 80013;
inline constexpr int32_t kTempManagerList = 80026;
inline constexpr int32_t kManagerChangeRefused = 80040;
inline constexpr int32_t kLoudspeakerAnswer = 81020;

// ---- Media control: plain datagrams to and from a media server, without
// signature and without enciphering; listed to keep the vocabulary in one
// place.
inline constexpr int32_t kMediaSenderRegister = 3000;
inline constexpr int32_t kMediaSenderRegisterAnswer = 3001;
inline constexpr int32_t kMediaViewerRegister = 1501;
inline constexpr int32_t kMediaViewerRegisterAnswer = 1502; // with the data endpoint
inline constexpr int32_t kMediaSubscribe = 1001;
inline constexpr int32_t kMediaViewerLeave = 1002;

} // namespace cmd

// Out is client to server, In is server to client.
enum class Direction : uint8_t { In = 1, Out = 2 };

enum class Conversation : uint8_t {
    Hall = 1,     // hall window with a hall server
    Registration, // registration window with the hall servers
    RoomEntry,    // hall window with a room server
    Room,         // a room window with its room server
    Media,        // media control datagrams
};

struct CommandInfo {
    int32_t code;
    Direction dir;
    Conversation conv;
    std::string_view meaning;
};

inline constexpr CommandInfo kCommandTable[] = {
    {cmd::kRegister, Direction::Out, Conversation::Registration, "registration request"},
    {cmd::kRegisterAnswer, Direction::In, Conversation::Registration, "registration answer"},
    {cmd::kServerProbe, Direction::Out, Conversation::Hall, "server probe"},
    {cmd::kServerProbeAnswer, Direction::In, Conversation::Hall, "probe answer"},
    {cmd::kKeepAlive, Direction::Out, Conversation::Hall, "keep-alive"},
    {cmd::kKeepAliveAnswer, Direction::In, Conversation::Hall, "keep-alive answer"},
    {cmd::kLogin, Direction::Out, Conversation::Hall, "login request"},
    {cmd::kLoginAnswer, Direction::In, Conversation::Hall, "login answer"},
    {cmd::kLogout, Direction::Out, Conversation::Hall, "logout"},
    {cmd::kLoggedInElsewhere, Direction::In, Conversation::Hall, "logged in elsewhere"},
    {cmd::kChangeProfile, Direction::Out, Conversation::Hall, "change nickname or password"},
    {cmd::kChangeProfileAnswer, Direction::In, Conversation::Hall, "answer to the nickname or password change"},
    {cmd::kRoomQuery, Direction::Out, Conversation::Hall, "room query"},
    {cmd::kRoomQueryAnswer, Direction::In, Conversation::Hall, "room query answer"},
    {cmd::kRoomEntry, Direction::Out, Conversation::RoomEntry, "room entry request"},
    {cmd::kRoomEntryAnswer, Direction::In, Conversation::RoomEntry, "room entry answer with the room record"},
    {cmd::kKeepAlive, Direction::Out, Conversation::Room, "keep-alive"},
    {cmd::kPublishNotice, Direction::Out, Conversation::Room, "publish a room notice"},
    {cmd::kUserProfileQuery, Direction::Out, Conversation::Room, "user profile query"},
    {cmd::kKickUser, Direction::Out, Conversation::Room, "kick a user"},
    {cmd::kUserAddressQuery, Direction::Out, Conversation::Room, "user address query"},
    {cmd::kChat, Direction::Out, Conversation::Room, "chat message"},
    {cmd::kAppointTempManager, Direction::Out, Conversation::Room, "appoint a temporary manager"},
    {cmd::kAppointManager, Direction::Out, Conversation::Room, "appoint a manager"},
    {cmd::kForbidChat, Direction::Out, Conversation::Room, "forbid or allow a user's chat"},
    {cmd::kEnterRoom, Direction::Out, Conversation::Room, "enter the room"},
    {cmd::kLeaveRoom, Direction::Out, Conversation::Room, "leave the room"},
    {cmd::kSendGift, Direction::Out, Conversation::Room, "send a gift"},
    {cmd::kFunPhrase, Direction::Out, Conversation::Room, "fun phrase, action or flower"},
    {cmd::kExchangeGift, Direction::Out, Conversation::Room, "exchange gifts"},
    {cmd::kWatchPriMic, Direction::Out, Conversation::Room, "ask to watch a user's private mic"},
    {cmd::kWatchPriMicAnswer, Direction::Out, Conversation::Room, "the private mic owner's answer"},
    {cmd::kStopWatchPriMic, Direction::Out, Conversation::Room, "stop watching a private mic"},
    {cmd::kForbidPriMicViewer, Direction::Out, Conversation::Room, "forbid a viewer of one's private mic"},
    {cmd::kPayPriMic, Direction::Out, Conversation::Room, "pay for a paid private mic"},
    {cmd::kAskMic, Direction::Out, Conversation::Room, "ask for a mic"},
    {cmd::kReleaseHeldMic, Direction::Out, Conversation::Room, "release a held mic"},
    {cmd::kLeaveMic, Direction::Out, Conversation::Room, "leave the mic"},
    {cmd::kHoldMic, Direction::Out, Conversation::Room, "hold a mic"},
    {cmd::kAddMicTime, Direction::Out, Conversation::Room, "add mic time"},
    {cmd::kSetMicOrder, Direction::Out, Conversation::Room, "set the mic queue order"},
    {cmd::kRoomSettingsQuery, Direction::Out, Conversation::Room, "room settings request"},
    {cmd::kSaveRoomSettings, Direction::Out, Conversation::Room, "save room settings"},
    {cmd::kUserBlackListQuery, Direction::Out, Conversation::Room, "ask for the black list of users"},
    {cmd::kChangeUserBlackList, Direction::Out, Conversation::Room, "add a user to or remove a user from the black list"},
    {cmd::kAddressBlackListQuery, Direction::Out, Conversation::Room, "ask for the black list of addresses"},
    {cmd::kChangeAddressBlackList, Direction::Out, Conversation::Room, "add or remove a black-listed address"},
    {cmd::kManagerListQuery, Direction::Out, Conversation::Room, "ask for the manager list"},
    {cmd::kChangeManager, Direction::Out, Conversation::Room, "add or remove a manager"},
    {cmd::kTempManagerListQuery, Direction::Out, Conversation::Room, "ask for the temporary manager list"},
    {cmd::kDismissTempManager, Direction::Out, Conversation::Room, "dismiss a temporary manager"},
    {cmd::kForbidPriMic, Direction::Out, Conversation::Room, "forbid a user's private mic"},
    {cmd::kSendLoudspeaker, Direction::Out, Conversation::Room, "send a loudspeaker broadcast"},
    {cmd::kDice, Direction::Out, Conversation::Room, "dice request"},
    {cmd::kMicStateList, Direction::In, Conversation::Room, "mic state list"},
    {cmd::kSystemAnnouncement, Direction::In, Conversation::Room, "system announcement"},
    {cmd::kLuxuryGiftList, Direction::In, Conversation::Room, "replace the luxury gift list of the banner"},
    {cmd::kLoudspeaker, Direction::In, Conversation::Room, "loudspeaker broadcast"},
    {cmd::kGiftBroadcast, Direction::In, Conversation::Room, "gift or brick broadcast on the loudspeaker panel"},
    {cmd::kRoomRestart, Direction::In, Conversation::Room, "room restart notice"},
    {cmd::kDiceResult, Direction::In, Conversation::Room, "dice result"},
    {cmd::kChatForbidden, Direction::In, Conversation::Room, "a user's chat was forbidden or allowed again"},
    {cmd::kGiftEvent, Direction::In, Conversation::Room, "gift event shown in the chat"},
    {cmd::kGameWin, Direction::In, Conversation::Room, "game win on the loudspeaker panel"},
    {cmd::kMicQueueList, Direction::In, Conversation::Room, "mic queue list"},
    {cmd::kRoomSettingsChanged, Direction::In, Conversation::Room, "room settings changed"},
    {cmd::kManagerChanged, Direction::In, Conversation::Room, "a manager was added or removed"},
    {cmd::kUserLeft, Direction::In, Conversation::Room, "user left the room"},
    {cmd::kTempManagerDismissed, Direction::In, Conversation::Room, "a temporary manager was dismissed"},
    {cmd::kMicChanged, Direction::In, Conversation::Room, "mic changed"},
    {cmd::kMicTimeAdded, Direction::In, Conversation::Room, "mic time added"},
    {cmd::kMicQueueReordered, Direction::In, Conversation::Room, "mic queue reordered"},
    {cmd::kUserEntered, Direction::In, Conversation::Room, "user entered the room"},
    {cmd::kVideoClosed, Direction::In, Conversation::Room, "a user closed his video"},
    {cmd::kRoomNoticeBroadcast, Direction::In, Conversation::Room, "room notice broadcast"},
    {cmd::kUserRemoved, Direction::In, Conversation::Room, "a user was removed from the room"},
    {cmd::kChatMessage, Direction::In, Conversation::Room, "chat message"},
    {cmd::kUserLeftMic, Direction::In, Conversation::Room, "user left a mic"},
    {cmd::kTempManagerAppointed, Direction::In, Conversation::Room, "a temporary manager was appointed"},
    {cmd::kManagerAppointed, Direction::In, Conversation::Room, "a manager was appointed"},
    {cmd::kGiftReceived, Direction::In, Conversation::Room, "gift received"},
    {cmd::kFunPhraseDelivered, Direction::In, Conversation::Room, "fun phrase or action delivered"},
    {cmd::kKeepAliveAnswer, Direction::In, Conversation::Room, "keep-alive answer"},
    {cmd::kBalanceChanged, Direction::In, Conversation::Room, "own balance changed"},
    {cmd::kMicGranted, Direction::In, Conversation::Room, "mic granted"},
    {cmd::kUserProfileAnswer, Direction::In, Conversation::Room, "user profile answer"},
    {cmd::kKickAnswer, Direction::In, Conversation::Room, "answer to a kick"},
    {cmd::kUserAddressAnswer, Direction::In, Conversation::Room, "user address answer"},
    {cmd::kPaidPriMicStopped, Direction::In, Conversation::Room, "watching a paid private mic stopped for lack of coins"},
    {cmd::kPrivateChat, Direction::In, Conversation::Room, "private chat message to this user"},
    {cmd::kChatRefused, Direction::In, Conversation::Room, "chat refused by the server"},
    {cmd::kForbidChatAnswer, Direction::In, Conversation::Room, "answer to the chat ban"},
    {cmd::kUserEnteredNotice, Direction::In, Conversation::Room, "user entered (plain notice)"},
    {cmd::kUserLeftNotice, Direction::In, Conversation::Room, "user left (plain notice)"},
    {cmd::kSendGiftAnswer, Direction::In, Conversation::Room, "gift sending answer"},
    {cmd::kFunPhraseAnswer, Direction::In, Conversation::Room, "fun phrase answer"},
    {cmd::kExchangeGiftAnswer, Direction::In, Conversation::Room, "gift exchange answer"},
    {cmd::kWatchPriMicFailed, Direction::In, Conversation::Room, "the watch request failed"},
    {cmd::kWatchPriMic, Direction::In, Conversation::Room, "somebody asks to watch this user's private mic"},
    {cmd::kWatchPriMicAnswer, Direction::In, Conversation::Room, "the private mic owner's answer"},
    {cmd::kWatchPriMicStart, Direction::In, Conversation::Room, "watching may start"},
    {cmd::kEnterRoomAnswer, Direction::In, Conversation::Room, "enter-room answer"},
    {cmd::kUserListWithNotices, Direction::In, Conversation::Room, "user list with entry notices"},
    {cmd::kUserListMicStates, Direction::In, Conversation::Room, "mic state of listed users"},
    {cmd::kUserList, Direction::In, Conversation::Room, "user list without notices"},
    {cmd::kStopWatchPriMic, Direction::In, Conversation::Room, "a viewer stopped watching"},
    {cmd::kForbidPriMicViewer, Direction::In, Conversation::Room, "the owner forbade this viewer"},
    {cmd::kNewPriMicViewer, Direction::In, Conversation::Room, "a new viewer"},
    {cmd::kPaidPriMicPrice, Direction::In, Conversation::Room, "the price of a paid private mic"},
    {cmd::kPayPriMicAnswer, Direction::In, Conversation::Room, "answer to the private mic payment"},
    {cmd::kAskMicAnswer, Direction::In, Conversation::Room, "answer to the mic request"},
    {cmd::kReleaseHeldMicAnswer, Direction::In, Conversation::Room, "answer to releasing a held mic"},
    {cmd::kHoldMicAnswer, Direction::In, Conversation::Room, "answer to holding a mic"},
    {cmd::kAddMicTimeAnswer, Direction::In, Conversation::Room, "answer to adding mic time"},
    {cmd::kSetMicOrderAnswer, Direction::In, Conversation::Room, "answer to setting the mic queue order"},
    {cmd::kRoomSettings, Direction::In, Conversation::Room, "room settings"},
    {cmd::kUserBlackList, Direction::In, Conversation::Room, "the black list of users"},
    {cmd::kAddressBlackList, Direction::In, Conversation::Room, "the black list of addresses"},
    {cmd::kManagerList, Direction::In, Conversation::Room, "manager list for the user-management window"},
    {cmd::kChangeUserBlackListAnswer, Direction::In, Conversation::Room, "answer to a black list change"},
    {cmd::kTempManagerList, Direction::In, Conversation::Room, "the temporary manager list"},
    {cmd::kManagerChangeRefused, Direction::In, Conversation::Room, "refusal of a manager change"},
    {cmd::kLoudspeakerAnswer, Direction::In, Conversation::Room, "loudspeaker answer"},
    {cmd::kMediaSenderRegister, Direction::Out, Conversation::Media, "sender registration"},
    {cmd::kMediaSenderRegisterAnswer, Direction::In, Conversation::Media, "answer to the sender registration"},
    {cmd::kMediaViewerRegister, Direction::Out, Conversation::Media, "viewer registration for one user's stream"},
    {cmd::kMediaViewerRegisterAnswer, Direction::In, Conversation::Media, "answer to the viewer registration with the data endpoint"},
    {cmd::kMediaSubscribe, Direction::Out, Conversation::Media, "channel subscription"},
    {cmd::kMediaViewerLeave, Direction::Out, Conversation::Media, "viewer leaves"},
};

// Every entry of the catalogue.
constexpr std::span<const CommandInfo> CommandTable() { return kCommandTable; }

// The entry for `code` in the given direction and conversation, or nullptr.
constexpr const CommandInfo* FindCommand(int32_t code, Direction dir, Conversation conv) {
    for (const CommandInfo& c : kCommandTable)
        if (c.code == code && c.dir == dir && c.conv == conv)
            return &c;
    return nullptr;
}

constexpr bool IsCommand(int32_t code, Direction dir, Conversation conv) {
    return FindCommand(code, dir, conv) != nullptr;
}

} // namespace kel
