#include "room/ChatFontStore.h"

#include <cstdio>
#include <filesystem>

#include "foundation/kelUtils.h"
#include "platform/IniFile.h"
#include "protocol/ChatMessages.h"

namespace kel {
namespace {

constexpr const char* kSection = "FONTCONFIG";

std::string IniPath(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') return folder + "Config.ini";
    return folder + "/Config.ini";
}

} // namespace

std::string FontStylesText(uint8_t styles) {
    std::string s = "[";
    if (styles & kFontBold) s += "fsBold,";
    if (styles & kFontItalic) s += "fsItalic,";
    if (styles & kFontUnderline) s += "fsUnderline,";
    if (styles & kFontStrikeOut) s += "fsStrikeOut";
    return s + "]";
}

uint8_t ParseFontStyles(const std::string& text) {
    uint8_t s = 0;
    if (text.find("fsBold") != std::string::npos) s |= kFontBold;
    if (text.find("fsItalic") != std::string::npos) s |= kFontItalic;
    if (text.find("fsUnderline") != std::string::npos) s |= kFontUnderline;
    if (text.find("fsStrikeOut") != std::string::npos) s |= kFontStrikeOut;
    return s;
}

ChatFont LoadChatFont(const std::string& folder) {
    TIniFile ini(IniPath(folder));
    ChatFont f;
    f.Name = ini.ReadString(kSection, "FontName", "宋体");
    if (f.Name.empty()) f.Name = "宋体";
    f.Size = ini.ReadInteger(kSection, "FontSize", 10);
    if (f.Size < 6 || f.Size > 48) f.Size = 10;
    f.Color = static_cast<int32_t>(HtmlToColor("#" + ini.ReadString(kSection, "FontColor", "000000")));
    f.Styles = ParseFontStyles(ini.ReadString(kSection, "FontStyles", "[]"));
    return f;
}

bool SaveChatFont(const std::string& folder, const ChatFont& font) {
    // The per-user folder may not exist yet for a user's first room.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    TIniFile ini(IniPath(folder));
    std::string colour = ColorToHtml(static_cast<uint32_t>(font.Color)).substr(1);
    return ini.WriteString(kSection, "FontName", font.Name) && ini.WriteInteger(kSection, "FontSize", font.Size) &&
           ini.WriteString(kSection, "FontColor", colour) &&
           ini.WriteString(kSection, "FontStyles", FontStylesText(font.Styles));
}

} // namespace kel
