#include "config/ChatCFG.h"

#include <filesystem>

#include "config/ScramblePassword.h"
#include "foundation/kelDebug.h"
#include "platform/AppFolder.h"
#include "platform/IniFile.h"

namespace kel {

TkelChatCFG* GlobalChatCFG = nullptr;

namespace {

bool IsBlankText(const std::string& s)
{
    for (char c : s)
        if (static_cast<uint8_t>(c) > ' ') return false;
    return true;
}

} // namespace

TkelChatCFG::TkelChatCFG(std::string app_folder) : AppPath(WithTrailingSlash(std::move(app_folder))) {}

void TkelChatCFG::Load(const THostResolver& resolve)
{
    TServerListRecord record{};
    if (!CallServerListProvider(AppPath + kServerListProviderName, record))
        Log(std::string("server list: ") + kServerListProviderName + " missing or without KeyClient; no hall servers");
    SetServerList(record, resolve);

    TIniFile ini(ConfigFile());
    PortHall = static_cast<uint16_t>(ini.ReadInteger("ServerHall", "PortHall", 23456));
    PortRoom1 = static_cast<uint16_t>(ini.ReadInteger("ServerHall", "PortRoom1", 20011));
    PortRoom2 = static_cast<uint16_t>(ini.ReadInteger("ServerHall", "PortRoom2", 20022));
    PortRoom3 = static_cast<uint16_t>(ini.ReadInteger("ServerHall", "PortRoom3", 20033));
    HallURLID = ini.ReadInteger("ServerHall", "HallURLID", 0);
    PayPageUrl = ini.ReadString("ServerHall", "PayPageUrl", kDefaultPayPageUrl);
    IpLocationUrl = ini.ReadString("ServerHall", "IpLocationUrl", kDefaultIpLocationUrl);
    SavePwd = ini.ReadBool("HallLoginSet", "SavePwd", false);
    MediaTicket = 0;
}

void TkelChatCFG::SetServerList(const TServerListRecord& record, const THostResolver& resolve)
{
    std::vector<uint32_t> addresses = ParseServerList(record, resolve);
    ServerIP.fill(0);
    ServerCount = static_cast<int32_t>(addresses.size());
    for (size_t i = 0; i < addresses.size(); ++i) ServerIP[i] = addresses[i];
}

void TkelChatCFG::SaveLoginSet(bool save_pwd)
{
    SavePwd = save_pwd;
    TIniFile(ConfigFile()).WriteBool("HallLoginSet", "SavePwd", save_pwd);
}

std::string TkelChatCFG::UserFolder(int32_t user_id) const { return AppPath + std::to_string(user_id) + "/"; }

bool TkelChatCFG::SaveUserPassword(int32_t user_id, const std::string& password)
{
    CurUserID = user_id;
    std::error_code ec;
    std::filesystem::create_directories(UserFolder(user_id), ec);
    return TIniFile(UserFolder(user_id) + "Config.ini").WriteString("Set", "UserPwd", ScramblePassword(password));
}

void TkelChatCFG::LoadUserPassword(int32_t user_id)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(UserFolder(user_id), ec)) {
        SavedPwd.clear();
        return;
    }
    SavedPwd = UnscramblePassword(TIniFile(UserFolder(user_id) + "Config.ini").ReadString("Set", "UserPwd", ""));
}

void TkelChatCFG::ReadLoginList(std::vector<std::string>& list) const
{
    std::error_code ec;
    if (!std::filesystem::exists(LoginInfoFile(), ec)) return;
    TIniFile ini(LoginInfoFile());
    for (int i = 0; i <= 9; ++i) {
        // A key whose value is all blanks is a gap in the list, not a number.
        std::string value = ini.ReadString("LoginID", std::to_string(i), "");
        if (!IsBlankText(value)) list.push_back(value);
    }
}

bool TkelChatCFG::WriteLoginList(const std::string& user_id)
{
    std::vector<std::string> old;
    ReadLoginList(old);
    std::vector<std::string> fresh{user_id};
    for (const std::string& n : old)
        if (n != user_id && fresh.size() < 10) fresh.push_back(n);

    TIniFile ini(LoginInfoFile());
    bool ok = ini.EraseSection("LoginID");
    for (size_t i = 0; i < fresh.size(); ++i) ok = ini.WriteString("LoginID", std::to_string(i), fresh[i]) && ok;
    return ok;
}

} // namespace kel
