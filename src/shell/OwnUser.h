#pragma once
// The own user record: who is logged in. The login window (or the launcher
// arguments) fills the number and the password digest; the hall's login
// answer fills the rest and replaces the number. Read by the hall, the room
// windows and the dialogs; touched on the GUI thread only.
#include <cstdint>
#include <string>

namespace kel {

struct TOwnUser {
    int32_t UserID = 0;          // 0 = guest
    std::string NickName;        // cleaned of '<' and '>'
    std::string PasswordDigest;  // lower-case hexadecimal MD5; empty for a guest
    int32_t Score = 0;
    int32_t Coins = 0;
    int32_t Rights = 0;          // the rights word
    int16_t UserType = 0;        // 1 guest, 2 registered, higher: member classes
    int16_t ManagerLevel = 0;
    int32_t ConnA = 0;           // connection pair, echoed in hall requests
    int16_t ConnB = 0;
};

// The process's own user record.
TOwnUser& OwnUser();

} // namespace kel
