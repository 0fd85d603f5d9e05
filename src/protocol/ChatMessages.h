#pragma once
// The room's chat messages: the chat request 19012 and its deliveries 9013
// (to the room) and 19014 (to the addressee), the refusal 19015, fun phrases
// 20022/20023/9084, the dice 81041/8006, and the room-wide texts 8001 (system
// announcement), 8002 (luxury gift list), 8004 (gift broadcast) and 8010
// (game win). Chat text travels as GBK behind an int32 length; a length that
// is negative, larger than the bytes present or larger than kMaxChatText
// makes the reader refuse the message.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/GiftEvent.h"
#include "protocol/RoomHeader.h"

namespace kel {

// The longest chat text a chat message carries, in wire (GBK) bytes.
inline constexpr size_t kMaxChatText = 1000;

// Font style bits of a chat message.
inline constexpr uint8_t kFontBold = 1;
inline constexpr uint8_t kFontItalic = 2;
inline constexpr uint8_t kFontUnderline = 4;
inline constexpr uint8_t kFontStrikeOut = 8;

// 19012, 128 + L bytes: header; 26 int32 target (0 = everybody); 30
// string[30] target nick; 61 string[10] own level name; 72 string[10]
// target level name; 83 string[8] time text; 92 whisper; 93 automatic
// reply; 94 int32 total price; 98 reserved; 99 string[15] font name; 115
// int32 size; 119 int32 colour; 123 styles; 124 int32 L; 128 text.
struct ChatRequest {
    static constexpr int32_t kCode = cmd::kChat;
    static constexpr size_t kFixedLength = 128;
    RoomRequestHeader Head;
    int32_t ToUserID = 0;
    std::string ToNick;
    std::string ImageFrom;
    std::string ImageTo;
    std::string TimeText;
    bool Whisper = false;
    bool AutoReply = false;
    int32_t TotalPrice = 0;
    std::string FontName;
    int32_t FontSize = 0;
    int32_t FontColor = 0;
    uint8_t FontStyles = 0;
    std::string Text;  // UTF-8; written as at most kMaxChatText GBK bytes

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// What 9013 and 19014 deliver.
struct ChatDelivery {
    int32_t FromUserID = 0;
    std::string FromNick;
    int32_t ToUserID = 0;
    std::string ToNick;
    std::string FromLevel;
    std::string ToLevel;
    std::string TimeText;
    bool Whisper = false;
    bool AutoReply = false;
    bool Show3D = false;
    std::string FontName;
    int32_t FontSize = 0;
    int32_t FontColor = 0;
    uint8_t FontStyles = 0;
    std::string Text;
};

// 9013, 145 + L bytes: 8 sender; 16 string[30] sender nick; 47 target; 51
// string[30] target nick; 82 string[10] sender level; 93 string[10] target
// level; 104 string[8] time; 113 whisper; 114 automatic reply; 115 3D
// emoticons shown; 116 string[15] font; 132 size; 136 colour; 140 styles;
// 141 int32 L; 145 text.
struct ChatBroadcast : ChatDelivery {
    static constexpr int32_t kCode = cmd::kChatMessage;
    static constexpr size_t kFixedLength = 145;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19014: the 9013 layout with the sender's number again at 82 and every
// later field 4 bytes further (text length at 145, text at 149).
struct PrivateChatMessage : ChatDelivery {
    static constexpr int32_t kCode = cmd::kPrivateChat;
    static constexpr size_t kFixedLength = 149;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 19015, 86 bytes: 82 int32 reason (1 public level, 2 private level, 3
// patrol number).
struct ChatRefused {
    static constexpr int32_t kCode = cmd::kChatRefused;
    static constexpr size_t kLength = 86;
    int32_t Reason = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20022, 80 bytes: header; 26 int32 target; 30 int32 phrase number.
struct FunPhraseRequest {
    static constexpr int32_t kCode = cmd::kFunPhrase;
    static constexpr size_t kLength = 80;
    RoomRequestHeader Head;
    int32_t ToUserID = 0;
    int32_t Phrase = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 20023, 24 bytes: 16 int32 result (1 to oneself, 2 target gone); 20 int32
// target.
struct FunPhraseAnswer {
    static constexpr int32_t kCode = cmd::kFunPhraseAnswer;
    static constexpr size_t kLength = 24;
    int32_t Result = 0;
    int32_t ToUserID = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 9084, 117 bytes: 8 sender; 16 target; 20 string[30] sender nick; 51
// string[30] target nick; 82 string[10] sender level; 93 string[10] target
// level; 104 int32 phrase; 108 string[8] time.
struct FunPhraseDelivered {
    static constexpr int32_t kCode = cmd::kFunPhraseDelivered;
    static constexpr size_t kLength = 117;
    int32_t FromUserID = 0;
    int32_t ToUserID = 0;
    std::string FromNick;
    std::string ToNick;
    std::string FromLevel;
    std::string ToLevel;
    int32_t Phrase = 0;
    std::string TimeText;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 81041, 63 bytes: signature, code, own number, room number, room ticket;
// 20 string[30] own nick; 51..62 zero.
struct DiceRequest {
    static constexpr int32_t kCode = cmd::kDice;
    static constexpr size_t kLength = 63;
    int32_t UserID = 0;
    int32_t RoomID = 0;
    int32_t RoomTicket = 0;
    std::string NickName;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8006, 55 bytes: 8 user; 16 string[30] nick; 47 first die; 51 second die.
struct DiceResult {
    static constexpr int32_t kCode = cmd::kDiceResult;
    static constexpr size_t kLength = 55;
    int32_t UserID = 0;
    std::string NickName;
    int32_t Die1 = 0;
    int32_t Die2 = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8001, 221 + L bytes: 217 int32 L; 221 text (GBK).
struct SystemAnnouncement {
    static constexpr int32_t kCode = cmd::kSystemAnnouncement;
    static constexpr size_t kFixedLength = 221;
    // Announcements are operator texts; longer ones are refused.
    static constexpr size_t kMaxText = 4096;
    std::string Text;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8002: 16 int32 count N; 20 N gift event records.
struct LuxuryGiftList {
    static constexpr int32_t kCode = cmd::kLuxuryGiftList;
    static constexpr size_t kFixedLength = 20;
    std::vector<TGiftEvent> Gifts;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8004, 94 bytes: 8 giver; 16 room; 20 receiver; 24 string[30] giver nick;
// 55 string[30] receiver nick; 86 gift number; 90 count.
struct GiftBroadcast {
    static constexpr int32_t kCode = cmd::kGiftBroadcast;
    static constexpr size_t kLength = 94;
    int32_t GiverID = 0;
    int32_t RoomID = 0;
    int32_t ReceiverID = 0;
    std::string GiverNick;
    std::string ReceiverNick;
    int32_t GiftID = 0;
    int32_t Count = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 8010, 117 bytes: 8 user; 16 string[30] nick; 47 string[30] game; 78
// string[30] match name; 109 match number; 113 coins.
struct GameWin {
    static constexpr int32_t kCode = cmd::kGameWin;
    static constexpr size_t kLength = 117;
    int32_t UserID = 0;
    std::string NickName;
    std::string GameName;
    std::string MatchName;
    int32_t MatchNo = 0;
    int32_t Coins = 0;
    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
