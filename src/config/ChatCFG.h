#pragma once
// The client's configuration, gathered at start-up from Config.ini beside
// the executable, the server-list provider and, per user, the user folder's
// own Config.ini. Every window reads the one instance GlobalChatCFG; the
// login window writes back the remembered-login list and passwords.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ServerList.h"

namespace kel {

inline constexpr const char* kDefaultPayPageUrl = "http://127.0.0.1:8088/pay";
// The IP-location service of the room windows' IP query (a deployment setting).
inline constexpr const char* kDefaultIpLocationUrl = "http://127.0.0.1:8088/getip";

class TkelChatCFG {
public:
    // `app_folder` with or without its trailing '/'.
    explicit TkelChatCFG(std::string app_folder);

    // Start-up loading, in this order: the server list (provider beside the
    // executable, entries resolved with `resolve`), the ServerHall keys and
    // HallLoginSet/SavePwd. The media ticket is set to 0.
    void Load(const THostResolver& resolve);
    // The server list alone, from a record already filled by a provider.
    void SetServerList(const TServerListRecord& record, const THostResolver& resolve);

    void SaveLoginSet(bool save_pwd);
    // Remembers `user_id` as the current user, creates the user folder when
    // needed and stores the scrambled password there. False when the folder
    // or the file cannot be written.
    bool SaveUserPassword(int32_t user_id, const std::string& password);
    // The unscrambled password of the user's folder into SavedPwd, or empty.
    void LoadUserPassword(int32_t user_id);

    // Appends the remembered user numbers of LoginInfo.dat, keys "0".."9".
    void ReadLoginList(std::vector<std::string>& list) const;
    // Puts `user_id` first and keeps up to nine older, different numbers.
    bool WriteLoginList(const std::string& user_id);

    std::string UserFolder(int32_t user_id) const;
    std::string ConfigFile() const { return AppPath + "Config.ini"; }
    std::string LoginInfoFile() const { return AppPath + "LoginInfo.dat"; }

    int32_t CurUserID = 0;
    std::string AppPath;          // the application folder, trailing '/'
    bool RememberPwd = false;     // the login window's check box
    std::string TypedPwd;         // trimmed plain text from the login window
    int32_t ServerCount = 0;
    std::array<uint32_t, kMaxServers> ServerIP{};  // network byte order
    uint16_t PortHall = 23456;
    uint16_t PortRoom1 = 20011;
    uint16_t PortRoom2 = 20022;
    uint16_t PortRoom3 = 20033;
    int32_t HallURLID = 0;
    int32_t MediaTicket = 0;      // from the login answer
    std::string PayPageUrl = kDefaultPayPageUrl;
    std::string IpLocationUrl = kDefaultIpLocationUrl;
    std::string FilterText;       // word filter of the login answer
    std::string RoomImagePrefix;  // from the login answer
    bool SavePwd = false;
    std::string SavedPwd;
};

// The application's one configuration, made and freed by the start-up.
extern TkelChatCFG* GlobalChatCFG;

} // namespace kel
