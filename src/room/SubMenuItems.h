#pragma once
// The items of the user pop-up menu TSubMenu without the menu itself: the
// enumeration, both captions of each item, the order in which the menu
// holds 17 of them, and which items a user with given rights sees for a
// given target.
#include <array>
#include <cstdint>
#include <string>

namespace kel {

enum class SubMenuEnum : int {
    selectUse = 0,
    selectGive,
    dispInfo,
    AddFreind,
    k1,
    DisableChat,
    DisableAudio,
    DisableVideo,
    k2,
    smeReqVideo,
    AddCancelMic,
    ForbidUserPriMic,
    k3,
    AddTempManager,
    smeDropUser,
    DropUserAndBlackUser,
    DropUserAndBlackIP,
    ForbidChatMenu,
    AddMicTime,
    smeSetMicOrder,
    AddManager,
    DispIP,
};

inline constexpr int kSubMenuValues = 22;

struct TSubMenuCaption {
    const char* Normal;
    const char* Alternate;
};

// Both captions of a value ("-" for a separator).
const TSubMenuCaption& SubMenuCaption(SubMenuEnum item);
bool IsSeparator(SubMenuEnum item);

// The 17 items of the menu in their order.
inline constexpr std::array<SubMenuEnum, 17> kSubMenuOrder = {
    SubMenuEnum::selectUse,      SubMenuEnum::selectGive,   SubMenuEnum::dispInfo,
    SubMenuEnum::k1,             SubMenuEnum::DisableChat,  SubMenuEnum::k2,
    SubMenuEnum::smeReqVideo,    SubMenuEnum::AddCancelMic, SubMenuEnum::smeSetMicOrder,
    SubMenuEnum::k3,             SubMenuEnum::AddManager,   SubMenuEnum::AddTempManager,
    SubMenuEnum::ForbidChatMenu, SubMenuEnum::DispIP,       SubMenuEnum::smeDropUser,
    SubMenuEnum::DropUserAndBlackUser, SubMenuEnum::DropUserAndBlackIP,
};

// How the menu looks for one target.
struct TSubMenuState {
    std::array<bool, kSubMenuValues> Visible{};
    std::array<bool, kSubMenuValues> Alternate{};
    bool IsVisible(SubMenuEnum e) const { return Visible[static_cast<size_t>(e)]; }
    bool IsAlternate(SubMenuEnum e) const { return Alternate[static_cast<size_t>(e)]; }
    std::string Caption(SubMenuEnum e) const;
};

// `rights` is the own action rights mask; the rest describes the target.
TSubMenuState MakeSubMenuState(int32_t rights, bool chat_blocked, uint8_t target_mic_state, bool target_forbidden);

} // namespace kel
