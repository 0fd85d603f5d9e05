#pragma once
// The one builder of the chat screens' lines. Every line is a div of its
// style class holding the spans part1..part8 that Style.css dresses. What
// comes from other users (nicknames, chat text, notices, gift messages,
// level and gift names) enters only through Text(), which applies the word
// filter and escapes it; the builder alone writes tags, classes and
// link[...] targets, so no received text can look like a system line or
// carry a link of its own. In chat text only "<BR>" and emoticon tokens
// that name an existing picture become markup.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "config/Gift.h"
#include "protocol/GiftEvent.h"
#include "room/WordFilter.h"

namespace kel {

std::string HtmlEscape(std::string_view text);

// Screen markup. Only the line builder makes it from anything but text.
class Html {
public:
    Html() = default;
    const std::string& str() const { return s_; }
    bool empty() const { return s_.empty(); }
    Html& operator+=(const Html& o) {
        s_ += o.s_;
        return *this;
    }
    friend Html operator+(Html a, const Html& b) { return a += b; }

private:
    friend class TLineBuilder;
    explicit Html(std::string s) : s_(std::move(s)) {}
    std::string s_;
};

// Link keys of the screens: the href is "link[" + key + "]".
namespace link_key {
std::string User(int32_t user_id);
std::string PlayFlash(int32_t gift_id);
std::string Room(int32_t room_id);
inline std::string Pay() { return "Pay:"; }
} // namespace link_key

struct LinkTarget {
    enum Kind { None, UserInfo, PlayFlash, RoomID, Pay };
    Kind kind = None;
    int32_t value = 0;
};
// What a clicked href asks for. Only "link[...]" hrefs are the screens'
// own; a key without a known prefix counts as a user number.
LinkTarget ParseLink(std::string_view href);

// The values of a chat line.
struct ChatLineValues {
    int32_t FromID = 0;
    std::string FromNick;
    int32_t ToID = 0;
    std::string ToNick;
    std::string FromLevel;
    std::string ToLevel;
    std::string TimeText;
    bool Allow3D = false;
    std::string Text;  // chat text
    uint8_t FontStyles = 0;
    int32_t FontColor = 0;  // red in the low byte
    int32_t FontSize = 10;  // points; 0 or less: the screen's own size
    std::string FontName;
    bool Whisper = false;
};

// A gift line of the paced display.
struct GiftLineValues {
    int32_t GiverID = 0;
    std::string GiverNick;
    int32_t ReceiverID = 0;
    std::string ReceiverNick;
    std::string GiverLevel;
    std::string ReceiverLevel;
    int32_t GiftID = 0;
    int32_t ShowCount = 0;   // pictures in this line
    int64_t TotalShown = 0;  // running total after this line
    std::string Unit;
    bool Anonymous = false;
};

class TLineBuilder {
public:
    // Pictures folder (the application's Picture folder), with trailing '/'.
    std::string ResourcePath;
    // Whether a picture file exists; the file system by default.
    std::function<bool(const std::string& path)> FileExists;
    // The gift catalogue (may be null: gift lines then show nothing).
    const TGift* Gifts = nullptr;
    // This user, for the anonymous-gift rule.
    int32_t MyUserID = 0;
    // A line repeats a gift's picture once per item, at most this often.
    int MaxGiftPictures = 50;

    TLineBuilder();

    void SetFilter(const std::string& expression) { filter_.SetExpression(expression); }
    const TWordFilter& Filter() const { return filter_; }

    // Text as text: filtered and escaped.
    Html Text(std::string_view text) const;
    // Chat text: text pieces as Text(), "<BR>" as a line break, emoticons
    // whose picture exists as pictures; 3D emoticons only when allowed.
    Html ChatText(std::string_view chat, bool allow_3d) const;
    // The picture of a level name, or the default head; nothing for "大家".
    Html LevelIcon(std::string_view level_name) const;
    Html Image(const std::string& path) const;

    // One line; empty parts are left out, part 2 and part 4 (and part 8)
    // become links when their key is not empty.
    std::string BuildLine(std::string_view cls, const Html (&parts)[7], const std::string& link2 = {},
                          const std::string& link4 = {}, const Html* part8 = nullptr) const;

    std::string ChatLine(const ChatLineValues& v) const;
    // System line of kind 0..4; for kind 4 the extra is a "Pay:" link.
    std::string SystemLine(int kind, std::string_view prefix, std::string_view text,
                           std::string_view extra = {}) const;
    // Notice of kind 1, 2, 3 (text in part 2, 3, 4) or other (part 1).
    std::string Notice(int kind, std::string_view text) const;
    // Room notice: the notice is chat text (emoticons decoded).
    std::string RoomNoticeLine(std::string_view notice, int32_t poster_id, std::string_view poster_nick) const;
    std::string EntryLine(int32_t user_id, std::string_view nick) const;
    std::string LeaveLine(std::string_view nick) const;
    // Action line with the two texts of the fun-phrase library.
    std::string ActionLine(int32_t from_id, std::string_view from_nick, std::string_view from_level,
                           int32_t to_id, std::string_view to_nick, std::string_view to_level,
                           std::string_view first, std::string_view second) const;
    // Empty when the gift is not in the catalogue.
    std::string GiftLine(const GiftLineValues& v) const;
    // The private screen's line for one gift event; empty when the gift is
    // not in the catalogue. The value is count x unit price div 10000.
    std::string GiftEventLine(const TGiftEvent& e, std::string_view currency) const;
    // The dice: the text and a picture of each die.
    std::string DiceLine(std::string_view text, int32_t die1, int32_t die2) const;
    // System announcement (first line of the text, tags dropped).
    std::string AnnouncementLine(std::string_view text) const;

    // The picture path of a gift of the catalogue (or empty).
    std::string GiftPicture(const TGiftInfo& gift) const;

private:
    static Html Raw(std::string s) { return Html(std::move(s)); }
    Html Linked(const std::string& key, const Html& label) const;
    Html UserLabel(int32_t id, std::string_view nick, bool bare_for_zero) const;
    Html FontOpen(const ChatLineValues& v) const;

    TWordFilter filter_;
};

// "yy-mm-dd hh:mm:ss" and "m.d h:m" of a day count since 1899-12-30.
std::string FormatDayTime(double days);
std::string FormatShortDayTime(double days);

} // namespace kel
