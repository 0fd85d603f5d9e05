#include "room/MicTexts.h"

#include "foundation/kelUtils.h"

namespace kel {

std::optional<TMicText> MicRefusedText(int32_t reason) {
    switch (reason) {
    case 1: return TMicText{1, "权限不够"};
    case 2: return TMicText{2, "你已在麦序"};
    case 3: return TMicText{2, "上麦间隔时间未到"};
    case 4: return TMicText{2, "你被禁止上私麦"};
    case 5: return TMicText{2, "你已经在私麦上了,并且当前状态和请求的状态一致"};
    case 6: return TMicText{2, "本房间未开启自动排麦，麦序已满，请先将麦上用户抱下或有空麦时再上麦"};
    case 7: return TMicText{2, "当前麦状态和你请求一样，请求失败！"};
    case 8: return TMicText{2, "麦序已满，你已在排麦列表等待"};
    default: return std::nullopt;
    }
}

std::optional<TMicText> HoldOnAnswerText(int32_t result) {
    switch (result) {
    case 1: return TMicText{1, "您没有抱该用户上麦的权限，抱麦操作失败！"};
    case 3: return TMicText{2, "麦序已满，请先将麦上用户抱下或有空麦时再抱用户上麦"};
    case 4: return TMicText{2, "被抱用户不存在"};
    case 5: return TMicText{2, "被抱用户已经在公麦"};
    case 6: return TMicText{2, "被抱用户拥有免抱权限，不能被您抱麦！"};
    case -2: return TMicText{2, "不能抱游客上麦"};
    default: return std::nullopt;
    }
}

std::optional<TMicText> HoldOffAnswerText(int32_t result) {
    switch (result) {
    case 0: return TMicText{2, "成功抱用户下麦"};
    case 1: return TMicText{1, "抱用户下麦失败,只能操作比自己等级低的用户"};
    default: return std::nullopt;
    }
}

std::optional<TMicText> AddMicTimeAnswerText(int32_t result) {
    switch (result) {
    case 1: return TMicText{2, "被操作用户不存在！"};
    case 2: return TMicText{1, "您没有添加麦时的权限，添加麦时操作失败！"};
    case 3: return TMicText{2, "被操作用户不在公麦上，操作失败！"};
    default: return std::nullopt;
    }
}

std::optional<TMicText> MicOrderAnswerText(int32_t result) {
    switch (result) {
    case 0: return TMicText{2, "调整麦序成功！"};
    case 1: return TMicText{1, "您的权限不够， 调整麦序失败！"};
    default: return std::nullopt;
    }
}

std::string PartyText(int32_t user_id, const std::string& nick, int32_t my_user_id) {
    if (user_id == my_user_id) return "你";
    return nick + "(" + std::to_string(user_id) + ")";
}

std::string MicDownLine(int32_t reason, const std::string& subject, const std::string& op) {
    switch (reason) {
    case 1: return subject + " 因上麦时间到下麦";
    case 2: return subject + " 因网络通讯差下麦";
    case 3: return subject + " 被 " + op + " 强制下麦";
    case 4: return subject + " 因 " + op + " 上麦而下麦";
    case 5: return subject + " 因为上排麦而下公麦";
    case 6: return subject + " 因为上排麦而下私麦";
    case 7: return subject + " 被 " + op + " 强制下私麦，邀请上公麦";
    case 8: return subject + " 因为上公麦而下私麦";
    case 9: return subject + " 因为上私麦而下公麦";
    case 10: return subject + " 因为上私麦而下排麦";
    case 11: return subject + " 因为上公麦而下排麦";
    case 12: return subject + " 被 " + op + " 抱上公麦而下排麦";
    default: return subject + " 下麦成功";
    }
}

std::string MicChangedOwnLine(const std::string& subject, uint8_t old_state, uint8_t new_state) {
    std::string old_text, new_text;
    MicStateName(old_state, old_text);
    MicStateName(new_state, new_text);
    if (old_text == new_text) old_text = "不在麦";
    return subject + " 由 " + old_text + " 转为上 " + new_text;
}

} // namespace kel
