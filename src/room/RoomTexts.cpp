#include "room/RoomTexts.h"

#include <cctype>
#include <filesystem>

#include "config/TypeCFG.h"
#include "foundation/kelUtils.h"

namespace kel {

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

} // namespace

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == '/' || c == '\\' || c == ':' || c == 0x7F) return false;
    return true;
}

std::string SafeStyleText(const std::string& style) {
    std::string out;
    for (char c : style)
        if (c != '"' && c != '\'' && c != '<' && c != '>' && c != '&' && c != '\\' &&
            static_cast<unsigned char>(c) >= 0x20)
            out += c;
    return out;
}

std::vector<std::string> WelcomeLines(const TRoomInfo& room) {
    std::vector<std::string> lines;
    const std::string style = SafeStyleText(Trim(room.WelcomeStyle));
    for (const auto& text : room.WelcomeTexts) {
        if (Trim(text).empty()) continue;
        lines.push_back("<FONT STYLE=\"" + style + "\">☆房间提示☆:" + EscapeHtml(StripTagsFirstLine(text)) +
                        "</FONT><BR>");
    }
    return lines;
}

std::optional<std::string> RegisteredWaitNotice(int32_t user_type, int32_t manager_level, int32_t wait_s) {
    if (user_type != 2 || manager_level > 0 || wait_s <= 0) return std::nullopt;
    const std::string w = std::to_string(wait_s);
    return "您是注册用户，您进房间" + w + "秒后才能发公聊信息，公聊的间隔时间是" + w + "秒！";
}

std::string RoomRestartText(const std::string& reason) {
    const std::string r = Trim(reason);
    return (r.empty() ? std::string() : "由于" + r + ",") + "10分钟之后房间重启！";
}

std::string AddressAnswerText(int32_t status, int32_t user_id, uint32_t ip_net, const std::string& location) {
    const std::string id = std::to_string(user_id);
    switch (status) {
    case -1: return "用户" + id + "已退出房间或不存在!";
    case 0: return "用户" + id + "的IP:" + AddressToText(ip_net) + " 地址:" + location;
    case 1: return "查看用户" + id + "IP信息失败!";
    case 2: return "您没有查看用户" + id + "IP信息的权限!";
    default: return {};
    }
}

TEntryNotice MakeEntryNotice(const TUserInfoUserMng& user, bool announce, bool is_self,
                             const TkelTypeCFG* levels, const std::string& app_path) {
    TEntryNotice n;
    const std::string level = Trim(user.LevelName);
    const int index = levels ? levels->LevelIndex(level) : -1;
    if (index < 0) {
        if (announce) n.What = TEntryNotice::kPlainLine;
        return n;
    }
    const std::string title = Trim(user.TitleText);
    if (is_self) {
        n.What = TEntryNotice::kOwnWelcome;
        n.Text = "您是" + title + ", 欢迎进入本房间！";
        return n;
    }
    std::string icon;
    if (IsPlainFileName(level)) {
        const std::string path = app_path + "Picture/Rate/" + level + ".gif";
        if (FileExists(path)) icon = "<img src=\"" + EscapeHtml(path) + "\">";
    }
    const std::vector<TTemplateArg> args{icon, EscapeHtml(title), EscapeHtml(user.NickName),
                                         static_cast<int64_t>(user.UserID)};
    const std::string tmpl = announce ? levels->WelcomeTemplate(index)
                                      : "<FONT STYLE=\"font: 10pt 黑体; color:red\"><b>【提示】: %s %s %s(%d) "
                                        "进入房间<b></FONT>";
    n.What = TEntryNotice::kPublicHtml;
    n.Text = FillTemplate(tmpl, args) + "<BR>";
    return n;
}

} // namespace kel
