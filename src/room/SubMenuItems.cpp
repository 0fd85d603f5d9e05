#include "room/SubMenuItems.h"

#include <algorithm>

#include "config/RightQuery.h"

namespace kel {

namespace {

constexpr TSubMenuCaption kCaptions[kSubMenuValues] = {
    {"选中聊天用户", "选中聊天用户"},
    {"选中赠送用户", "选中赠送用户"},
    {"查看用户资料", "查看用户资料"},
    {"加用户为好友", "加用户为好友"},
    {"-", "-"},
    {"屏蔽文字信息", "取消文字屏蔽"},
    {"屏蔽音频信息", "取消音频屏蔽"},
    {"屏蔽视频信息", "取消视频屏蔽"},
    {"-", "-"},
    {"请求单连视频", "请求单连视频"},
    {"邀请用户上麦", "强制用户下麦"},
    {"禁止用户私麦", "禁止用户私麦"},
    {"-", "-"},
    {"添加临时管理", "添加临时管理"},
    {"踢出房间", "踢出房间"},
    {"踢出房间且黑用户", "踢出房间且黑用户"},
    {"踢出房间且黑IP", "踢出房间且黑IP"},
    {"对其禁言", "解除禁言"},
    {"增加麦时", "增加麦时"},
    {"麦序调整", "麦序调整"},
    {"添加管理", "添加管理"},
    {"查看IP", "查看IP"},
};

// Items shown only with a right, and the right.
struct TGate {
    SubMenuEnum Item;
    int32_t Right;
};
constexpr TGate kGates[] = {
    {SubMenuEnum::AddCancelMic, 11},         {SubMenuEnum::AddTempManager, 3},
    {SubMenuEnum::AddManager, 4},            {SubMenuEnum::smeDropUser, 10},
    {SubMenuEnum::ForbidChatMenu, 12},       {SubMenuEnum::DropUserAndBlackUser, 8},
    {SubMenuEnum::DropUserAndBlackIP, 8},    {SubMenuEnum::smeSetMicOrder, 16},
    {SubMenuEnum::DispIP, 15},
};

} // namespace

const TSubMenuCaption& SubMenuCaption(SubMenuEnum item) { return kCaptions[static_cast<size_t>(item)]; }

bool IsSeparator(SubMenuEnum item) {
    return item == SubMenuEnum::k1 || item == SubMenuEnum::k2 || item == SubMenuEnum::k3;
}

std::string TSubMenuState::Caption(SubMenuEnum e) const {
    const auto& c = SubMenuCaption(e);
    return IsAlternate(e) ? c.Alternate : c.Normal;
}

TSubMenuState MakeSubMenuState(int32_t rights, bool chat_blocked, uint8_t target_mic_state, bool target_forbidden) {
    TSubMenuState s;
    for (SubMenuEnum e : kSubMenuOrder) s.Visible[static_cast<size_t>(e)] = true;
    for (const auto& g : kGates) s.Visible[static_cast<size_t>(g.Item)] = TRightQuery::HasRight(rights, g.Right);
    s.Alternate[static_cast<size_t>(SubMenuEnum::DisableChat)] = chat_blocked;
    s.Alternate[static_cast<size_t>(SubMenuEnum::AddCancelMic)] = target_mic_state >= 1 && target_mic_state <= 5;
    s.Alternate[static_cast<size_t>(SubMenuEnum::ForbidChatMenu)] = target_forbidden;
    return s;
}

} // namespace kel
