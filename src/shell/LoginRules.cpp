#include "shell/LoginRules.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


#include "foundation/Md5.h"
#include "platform/IniFile.h"

namespace kel {

std::string TrimText(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string PasswordDigest(std::string_view typed) { return Md5Hex(TrimText(typed)); }

std::optional<int32_t> ParseUserNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    size_t i = 0;
    bool neg = false;
    if (text[0] == '+' || text[0] == '-') {
        neg = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) return std::nullopt;
    }
    if (neg) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(v);
}

bool UserIdKeyAllowed(char32_t key) { return (key >= U'0' && key <= U'9') || key == U'\b'; }

TLoginCheck CheckLogin(std::string_view user_text, std::string_view password_text) {
    TLoginCheck c;
    const std::string user = TrimText(user_text);
    c.password = TrimText(password_text);
    if (user.empty() || c.password.empty()) {
        c.message = "用户号,密码不能为空！";
        return c;
    }
    const auto n = ParseUserNumber(user);
    if (!n) {
        c.message = "用户号密码为数字!";
        c.clear_fields = true;
        return c;
    }
    if (*n < 0) {
        c.message = "用户号小于0!";
        return c;
    }
    c.ok = true;
    c.user_id = *n;
    c.digest = Md5Hex(c.password);
    return c;
}

TSelfInfoCheck CheckSelfInfo(std::string_view old_pwd, std::string_view new_pwd, std::string_view new_pwd2,
                             const std::string& own_digest) {
    TSelfInfoCheck c;
    if (old_pwd.empty()) { // nickname only
        c.ok = true;
        return c;
    }
    if (PasswordDigest(old_pwd) != own_digest) {
        c.message = "旧登录密码输入错误!";
        return c;
    }
    if (TrimText(new_pwd).empty() || TrimText(new_pwd) != TrimText(new_pwd2)) {
        c.message = "新登录密码输入错误!";
        return c;
    }
    c.ok = true;
    c.new_digest = PasswordDigest(new_pwd);
    return c;
}

namespace {

// Removes the regular files directly inside the folder opened as `dir_fd`
// (symbolic links, sub-folders and anything else stay), then the folder.
void RemoveFolderFiles(int parent_fd, const std::string& name) {
    const int fd = openat(parent_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return; // missing, or a link pretending to be the folder
    if (DIR* d = fdopendir(fd)) {
        while (dirent* e = readdir(d)) {
            struct stat st{};
            if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
                unlinkat(fd, e->d_name, 0);
        }
        closedir(d); // closes fd
    } else {
        close(fd);
    }
    unlinkat(parent_fd, name.c_str(), AT_REMOVEDIR); // fails harmlessly when something stayed
}

} // namespace

bool DeleteLocalUser(const std::string& app_folder, std::string_view user_text) {
    const std::string trimmed = TrimText(user_text);
    const auto n = ParseUserNumber(trimmed);
    if (!n || *n < 0) return false;

    const int app_fd = open(app_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (app_fd >= 0) {
        RemoveFolderFiles(app_fd, std::to_string(*n));
        close(app_fd);
    }

    TIniFile info(app_folder + "LoginInfo.dat");
    for (int k = 0; k <= 9; ++k) {
        const std::string key = std::to_string(k);
        if (!info.ValueExists("LoginID", key)) continue;
        // Compared as numbers, so "00012" typed finds the stored "12".
        if (ParseUserNumber(TrimText(info.ReadString("LoginID", key))) == n) {
            info.DeleteKey("LoginID", key);
            break;
        }
    }
    return true;
}

} // namespace kel
