#pragma once
// The fixed texts of the mic conversation: the server's refusals and
// answers by code (with the style of their system line), the lines of the
// mic broadcasts, and how a party is named in them.
#include <cstdint>
#include <optional>
#include <string>

namespace kel {

struct TMicText {
    int Style = 0;
    std::string Text;
};

// 30002 by refusal code; nothing for an unknown code.
std::optional<TMicText> MicRefusedText(int32_t reason);
// 30032 (hold onto the mic); success is announced by 8033 instead.
std::optional<TMicText> HoldOnAnswerText(int32_t result);
// 30012 (take off the mic).
std::optional<TMicText> HoldOffAnswerText(int32_t result);
// 30034 (add mic time).
std::optional<TMicText> AddMicTimeAnswerText(int32_t result);
// 30036 (queue order).
std::optional<TMicText> MicOrderAnswerText(int32_t result);

// "你" for the own user, otherwise "nick(number)".
std::string PartyText(int32_t user_id, const std::string& nick, int32_t my_user_id);

// The 9014 line: the subject's text and the reason's pieces, the operator
// standing where the reason names him.
std::string MicDownLine(int32_t reason, const std::string& subject, const std::string& op);

// The 8033 line of a user who changed his own state: "由 old 转为上 new";
// the old text reads "不在麦" when both are equal.
std::string MicChangedOwnLine(const std::string& subject, uint8_t old_state, uint8_t new_state);

} // namespace kel
