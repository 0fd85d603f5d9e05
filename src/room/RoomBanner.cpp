#include "room/RoomBanner.h"

#include <algorithm>

namespace kel {
namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string N(int64_t v) { return std::to_string(v); }

} // namespace

void SortLuxuryGifts(std::vector<TGiftEvent>& gifts) {
    std::stable_sort(gifts.begin(), gifts.end(),
                     [](const TGiftEvent& a, const TGiftEvent& b) { return a.Time > b.Time; });
}

std::string BuildBannerHtml(const std::vector<TGiftEvent>& gifts, const TLineBuilder& lines) {
    std::vector<TGiftEvent> sorted = gifts;
    SortLuxuryGifts(sorted);
    std::string cells;
    for (const auto& g : sorted) {
        const TGiftInfo* gift = lines.Gifts ? lines.Gifts->FindGift(g.GiftID) : nullptr;
        if (!gift) continue;
        std::string picture = lines.GiftPicture(*gift);
        Html head = lines.Text(g.GiverNick + "(" + N(g.GiverID) + ")给" + g.ReceiverNick + "(" + N(g.ReceiverID) +
                               ")送" + N(g.Count) + "个 " + Trim(g.GiftName));
        cells += "<td>" + lines.Image(picture).str() +
                 "</td><td nowrap><font style=\"font-size:14pt;\" face=Verdana color=#ff0000>" + head.str() +
                 "</font>";
        if (!Trim(g.Message).empty())
            cells += " 并对" + lines.Text(g.ReceiverNick).str() + "说: <font style=\"font-weight:700; color:red;\">" +
                     lines.Text(g.Message).str() + "</font>";
        cells += "<font style=\"font-size:9pt;\">(" + HtmlEscape(FormatShortDayTime(g.Time)) +
                 ")</font></td><td width=100></td>";
    }
    return "<table><tr>" + cells + "</tr></table>";
}

std::optional<std::string> GiftBroadcastText(const GiftBroadcast& m, const TGift& gifts) {
    const TGiftInfo* gift = gifts.FindGift(m.GiftID);
    if (!gift) return std::nullopt;
    const std::string giver = N(m.GiverID) + "(" + m.GiverNick + ")";
    const std::string receiver = N(m.ReceiverID) + "(" + m.ReceiverNick + ")";
    if (gift->name == "板砖")
        return giver + "在" + N(m.RoomID) + "房间给" + receiver + "砸给" + N(m.Count) + "个" + gift->name + ", 请" +
               N(m.GiverID) + "手下留情啊！";
    return giver + "在" + N(m.RoomID) + "房间给" + receiver + "赠送" + N(m.Count) + "个" + gift->name + ", 感谢" +
           N(m.GiverID) + "的支持！";
}

std::string GameWinText(const GameWin& m) {
    const std::string who = N(m.UserID) + "(" + m.NickName + ")玩" + m.GameName;
    if (m.GameName == "星河宝盒")
        return who + "游戏第" + N(m.MatchNo) + "场(" + m.MatchName + ")中了" + N(m.Coins / 10000) + "万金币，恭喜恭喜！";
    return who + "游戏中了" + N(m.Coins / 10000) + "万金币，恭喜恭喜！";
}

} // namespace kel
