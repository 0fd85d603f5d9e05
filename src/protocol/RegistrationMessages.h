#pragma once
// Registration: the 551-byte profile record, the request 10001 that carries
// it and the answer 10002 with the assigned user number.
#include <cstdint>
#include <string>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "protocol/Commands.h"

namespace kel {

struct RegistrationRecord {
    static constexpr size_t kLength = 551;

    std::string NickName;        // string[30]
    std::string PasswordDigest;  // string[32]
    int16_t HeadIndex = -1;
    int16_t Sex = 0;             // 0 "男", 1 "女"
    int16_t Age = 0;
    std::string Country;         // string[50]
    std::string Province;        // string[50]
    std::string Phone;           // string[30]
    std::string Mobile;          // string[30]
    std::string Email;           // string[30]
    std::string QQ;              // string[30]
    std::string Note;            // string[250], self-introduction

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10001, 573 bytes: 20 the record; 571 int16 0.
struct RegisterRequest {
    static constexpr int32_t kCode = cmd::kRegister;
    static constexpr size_t kLength = 573;
    RegistrationRecord Record;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

// 10002, 573 bytes: 20 int32 assigned number; 571 int16 status, 0 = success.
struct RegisterAnswer {
    static constexpr int32_t kCode = cmd::kRegisterAnswer;
    static constexpr size_t kLength = 573;
    int32_t UserID = 0;
    int16_t Status = 0;

    void Write(WireWriter& w) const;
    bool Read(WireReader& r);
};

} // namespace kel
