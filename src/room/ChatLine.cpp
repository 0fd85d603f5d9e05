#include "room/ChatLine.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "foundation/kelUtils.h"
#include "room/ChatText.h"

namespace kel {
namespace {

std::string Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

std::string Num(int64_t v) { return std::to_string(v); }

// A name from the network that becomes part of a file path: no folders.
bool SafeFileName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find('\\') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

// A font family from the network inside a style attribute.
std::string SafeFontName(std::string_view name) {
    std::string out;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::string_view("'\";:<>&{}\\()").find(c) != std::string_view::npos) continue;
        out += c;
    }
    return out;
}

} // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

namespace link_key {
std::string User(int32_t user_id) { return "UserInfo:" + Num(user_id); }
std::string PlayFlash(int32_t gift_id) { return "PlayFlash:" + Num(gift_id); }
std::string Room(int32_t room_id) { return "RoomID:" + Num(room_id); }
} // namespace link_key

LinkTarget ParseLink(std::string_view href) {
    LinkTarget t;
    constexpr std::string_view kOpen = "link[";
    if (href.size() < kOpen.size() + 1 || href.substr(0, kOpen.size()) != kOpen || href.back() != ']') return t;
    std::string_view key = href.substr(kOpen.size(), href.size() - kOpen.size() - 1);
    size_t colon = key.find(':');
    std::string_view prefix = colon == std::string_view::npos ? std::string_view() : key.substr(0, colon);
    std::string_view value = colon == std::string_view::npos ? key : key.substr(colon + 1);
    if (prefix == "Pay") {
        t.kind = LinkTarget::Pay;
        return t;
    }
    if (prefix == "PlayFlash") t.kind = LinkTarget::PlayFlash;
    else if (prefix == "RoomID") t.kind = LinkTarget::RoomID;
    else t.kind = LinkTarget::UserInfo;
    int32_t v = 0;
    auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || p != value.data() + value.size()) return LinkTarget{};
    t.value = v;
    return t;
}

TLineBuilder::TLineBuilder() {
    FileExists = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    };
}

Html TLineBuilder::Text(std::string_view text) const { return Raw(HtmlEscape(filter_.Apply(text))); }

Html TLineBuilder::Image(const std::string& path) const { return Raw("<img src=\"" + HtmlEscape(path) + "\">"); }

Html TLineBuilder::ChatText(std::string_view chat, bool allow_3d) const {
    Html out;
    for (const auto& p : ParseChatText(chat)) {
        switch (p.kind) {
        case ChatPiece::Text: out += Text(p.value); break;
        case ChatPiece::Break: out += Raw("<BR>"); break;
        case ChatPiece::Emotion:
        case ChatPiece::Emotion3D: {
            bool three_d = p.kind == ChatPiece::Emotion3D;
            if (three_d && !allow_3d) break;
            size_t want = three_d ? kEmotion3DCodeLen : kEmotionCodeLen;
            // A token naming no picture (cut short, odd characters or no file)
            // shows nothing rather than a broken picture.
            if (p.value.size() != want || !IsEmotionCode(p.value)) break;
            std::string path = ResourcePath + (three_d ? "Emotion3D/" : "Face/") + p.value + ".gif";
            if (FileExists && FileExists(path)) out += Image(path);
            break;
        }
        }
    }
    return out;
}

Html TLineBuilder::LevelIcon(std::string_view level_name) const {
    std::string name = Trim(level_name);
    if (name.find("大家") != std::string::npos) return {};
    if (SafeFileName(name)) {
        for (const char* ext : {".gif", ".bmp"}) {
            std::string path = ResourcePath + "Resource/" + name + ext;
            if (FileExists && FileExists(path)) return Image(path);
        }
    }
    return Image(ResourcePath + "Resource/默认头像.bmp");
}

Html TLineBuilder::Linked(const std::string& key, const Html& label) const {
    return Raw("<a href=\"link[" + HtmlEscape(key) + "]\">" + label.str() + "</a>");
}

Html TLineBuilder::UserLabel(int32_t id, std::string_view nick, bool bare_for_zero) const {
    if (bare_for_zero && id == 0) return Text(nick);
    return Text(std::string(nick) + "(" + Num(id) + ")");
}

std::string TLineBuilder::BuildLine(std::string_view cls, const Html (&parts)[7], const std::string& link2,
                                    const std::string& link4, const Html* part8) const {
    std::string s = "<div class=\"" + std::string(cls) + "\">";
    for (int i = 0; i < 7; ++i) {
        if (parts[i].empty()) continue;
        const std::string& key = i == 1 ? link2 : i == 3 ? link4 : std::string();
        Html body = Trim(key).empty() ? parts[i] : Linked(key, parts[i]);
        s += "<span class=\"part" + Num(i + 1) + "\">" + body.str() + "</span>";
    }
    if (part8 && !part8->empty()) s += "<span class=\"part8\">" + part8->str() + "</span>";
    s += "<BR></div>";
    return s;
}

Html TLineBuilder::FontOpen(const ChatLineValues& v) const {
    std::string style;
    if (v.FontStyles & 2) style += "font-style:italic; ";
    if (v.FontStyles & 1) style += "font-weight:bold; ";
    if (v.FontSize > 0) style += "font-size:" + Num(std::clamp(v.FontSize, 6, 48)) + "pt; ";
    std::string deco;
    if (v.FontStyles & 4) deco += " underline";
    if (v.FontStyles & 8) deco += " line-through";
    if (!deco.empty()) style += "text-decoration:" + deco + "; ";
    style += "color:" + ColorToHtml(static_cast<uint32_t>(v.FontColor)) + "; ";
    std::string family = SafeFontName(v.FontName);
    if (!family.empty()) style += "font-family:" + family + ";";
    return Raw("<span style=\"" + HtmlEscape(style) + "\">");
}

std::string TLineBuilder::ChatLine(const ChatLineValues& v) const {
    Html message = FontOpen(v) + ChatText(v.Text, v.Allow3D) + Raw("</span>");
    Html parts[7] = {LevelIcon(v.FromLevel),
                     UserLabel(v.FromID, v.FromNick, false),
                     Raw("对") + (v.ToID == 0 ? Html() : LevelIcon(v.ToLevel)),
                     UserLabel(v.ToID, v.ToNick, true),
                     Raw(v.Whisper ? "悄悄说:" : "说:"),
                     message,
                     Text("(" + v.TimeText + ")")};
    return BuildLine(v.Whisper ? "WhisperMsg" : "PublicMsg", parts, link_key::User(v.FromID),
                     link_key::User(v.ToID));
}

std::string TLineBuilder::SystemLine(int kind, std::string_view prefix, std::string_view text,
                                     std::string_view extra) const {
    Html parts[7] = {Raw(HtmlEscape(prefix)), Raw(HtmlEscape(text))};
    std::string link4;
    if (kind == 4 && !extra.empty()) {
        parts[3] = Raw(HtmlEscape(extra));
        link4 = link_key::Pay();
    }
    return BuildLine("SystemMsg" + Num(kind), parts, {}, link4);
}

std::string TLineBuilder::Notice(int kind, std::string_view text) const {
    Html parts[7];
    int at = kind == 1 ? 1 : kind == 2 ? 2 : kind == 3 ? 3 : 0;
    parts[at] = Raw(HtmlEscape(text));
    return BuildLine("SystemMsg", parts);
}

std::string TLineBuilder::RoomNoticeLine(std::string_view notice, int32_t poster_id,
                                         std::string_view poster_nick) const {
    Html parts[7];
    parts[2] = Raw("☆房间公告☆:--");
    parts[3] = ChatText(notice, false) +
               Text(" (" + std::string(poster_nick) + "(" + Num(poster_id) + ")  发布" + ")");
    return BuildLine("SystemMsg3", parts);
}

std::string TLineBuilder::EntryLine(int32_t user_id, std::string_view nick) const {
    Html parts[7];
    parts[1] = Text(nick);
    parts[2] = Raw("进入本房间");
    return BuildLine("InRoomMsg", parts, link_key::User(user_id));
}

std::string TLineBuilder::LeaveLine(std::string_view nick) const {
    Html parts[7];
    parts[1] = Text(nick);
    parts[2] = Raw("退出房间");
    return BuildLine("OutRoomMsg", parts);
}

std::string TLineBuilder::ActionLine(int32_t from_id, std::string_view from_nick, std::string_view from_level,
                                     int32_t to_id, std::string_view to_nick, std::string_view to_level,
                                     std::string_view first, std::string_view second) const {
    Html parts[7];
    parts[0] = LevelIcon(from_level);
    parts[1] = UserLabel(from_id, from_nick, false);
    if (!first.empty()) {
        parts[2] = Text(first) + LevelIcon(to_level);
        parts[3] = UserLabel(to_id, to_nick, true);
        parts[5] = Text(second);
        return BuildLine("InterestMsg", parts, link_key::User(from_id), link_key::User(to_id));
    }
    parts[2] = Text(second);
    return BuildLine("InterestMsg", parts, link_key::User(from_id));
}

std::string TLineBuilder::GiftPicture(const TGiftInfo& gift) const {
    if (!SafeFileName(gift.picture)) return {};
    return ResourcePath + "Gift30/" + gift.picture;
}

std::string TLineBuilder::GiftLine(const GiftLineValues& v) const {
    const TGiftInfo* gift = Gifts ? Gifts->FindGift(v.GiftID) : nullptr;
    if (!gift || v.ShowCount <= 0) return {};
    Html pictures;
    Html one = Image(GiftPicture(*gift));
    int shown = std::min(v.ShowCount, MaxGiftPictures);
    for (int i = 0; i < shown; ++i) pictures += one;
    if (shown < v.ShowCount) pictures += Text(" x" + Num(v.ShowCount));
    bool anonymous = v.Anonymous && v.GiverID != MyUserID && v.ReceiverID != MyUserID;
    Html parts[7] = {anonymous ? Html() : LevelIcon(v.GiverLevel),
                     anonymous ? Raw("匿名 ") : UserLabel(v.GiverID, v.GiverNick, false),
                     Raw("送给") + LevelIcon(v.ReceiverLevel),
                     UserLabel(v.ReceiverID, v.ReceiverNick, false),
                     Raw("："),
                     {},
                     pictures};
    Html total = Text(", 共" + Num(v.TotalShown) + Trim(v.Unit) + gift->name);
    return BuildLine("GiveMsg", parts, anonymous ? std::string() : link_key::User(v.GiverID),
                     link_key::User(v.ReceiverID), &total);
}

std::string TLineBuilder::GiftEventLine(const TGiftEvent& e, std::string_view currency) const {
    const TGiftInfo* gift = Gifts ? Gifts->FindGift(e.GiftID) : nullptr;
    if (!gift) return {};
    std::string picture = GiftPicture(*gift);
    Html image = !picture.empty() && FileExists && FileExists(picture) ? Image(picture) : Html();
    int64_t value = static_cast<int64_t>(e.Count) * gift->price / 10000;
    Html body = Text(e.GiverNick + "(" + Num(e.GiverID) + ") 送给 " + e.ReceiverNick + "(" + Num(e.ReceiverID) +
                     ") " + Num(e.Count) + " 张" + gift->name) +
                image + Text("，" + Num(value) + " 万" + std::string(currency) + "币");
    return "<div class=\"SystemMsg\"><font color=#000000>【系统消息】：</font>"
           "<font style=\"font-size:10pt;\" face=Verdana color=#ff0000>" +
           body.str() + "</font><font style=\"font-size:8pt;\">(" + HtmlEscape(FormatDayTime(e.Time)) +
           ")</font><BR></div>";
}

std::string TLineBuilder::DiceLine(std::string_view text, int32_t die1, int32_t die2) const {
    Html dice;
    for (int32_t d : {die1, die2}) {
        if (d >= 1 && d <= 6)
            dice += Image(ResourcePath + "Dice/" + Num(d) + ".png");
        else
            dice += Text(" [" + Num(d) + "]");
    }
    Html parts[7];
    parts[0] = Raw(HtmlEscape(text));
    parts[5] = dice;
    return BuildLine("SystemMsg2", parts);
}

std::string TLineBuilder::AnnouncementLine(std::string_view text) const {
    return "<div><font style=\"font-size:10pt; font-family:宋体; color:#ff0000\">系统公告：" +
           HtmlEscape(StripTagsFirstLine(text)) + "</font><BR></div>";
}

namespace {

struct Civil {
    int y = 1899, m = 12, d = 30, hh = 0, mm = 0, ss = 0;
};

Civil ToCivil(double days) {
    Civil c;
    if (!std::isfinite(days) || days < 0 || days > 2958465) return c;  // up to 9999-12-31
    double whole = std::floor(days);
    int64_t secs = std::llround((days - whole) * 86400.0);
    if (secs >= 86400) {
        whole += 1;
        secs -= 86400;
    }
    using namespace std::chrono;
    sys_days base = sys_days(year(1899) / December / 30) + std::chrono::days(static_cast<int64_t>(whole));
    year_month_day ymd(base);
    c.y = static_cast<int>(ymd.year());
    c.m = static_cast<int>(static_cast<unsigned>(ymd.month()));
    c.d = static_cast<int>(static_cast<unsigned>(ymd.day()));
    c.hh = static_cast<int>(secs / 3600);
    c.mm = static_cast<int>(secs / 60 % 60);
    c.ss = static_cast<int>(secs % 60);
    return c;
}

} // namespace

std::string FormatDayTime(double days) {
    Civil c = ToCivil(days);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d", c.y % 100, c.m, c.d, c.hh, c.mm, c.ss);
    return buf;
}

std::string FormatShortDayTime(double days) {
    Civil c = ToCivil(days);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%d.%d %d:%d", c.m, c.d, c.hh, c.mm);
    return buf;
}

} // namespace kel
