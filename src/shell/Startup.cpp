#include "shell/Startup.h"

#include <charconv>

#include "config/ChatCFG.h"
#include "config/RightQuery.h"
#include "config/SetSkin.h"
#include "config/TextCipher.h"
#include "foundation/kelDebug.h"
#include "foundation/kelUtils.h"
#include "platform/AppFolder.h"
#include "protocol/Encrypt.h"

namespace kel {
namespace {

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// A whole decimal number (optional blanks and sign), or 0.
int32_t NumberOrZero(std::string_view text)
{
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int32_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return (ec == std::errc() && end == text.data() + text.size() && !text.empty()) ? v : 0;
}

} // namespace

TLaunchArgs ParseLaunchArgs(const std::vector<std::string>& args)
{
    TLaunchArgs out;
    if (args.size() != 2) return out;
    out.mode = TLaunchMode::Launcher;
    try {
        out.user_id = NumberOrZero(UpToFirstZero(DecryptString(TrimBlanks(args[0]), kLaunchUserKey)));
        out.pwd_digest = UpToFirstZero(DecryptString(args[1], kLaunchPwdKey)).substr(0, 32);
    } catch (const EDecryptError& e) {
        out.user_id = 0;
        out.pwd_digest.clear();
        out.error = LaunchFailureText(e.what());
    }
    return out;
}

std::string LaunchFailureText(const std::string& reason)
{
    return "启动参数无法识别（" + reason + "），程序将退出。请从启动器重新进入，或直接运行程序登录。";
}

TAppGlobals::TAppGlobals(TOptions options) : options_(std::move(options))
{
    if (options_.app_folder.empty()) options_.app_folder = ApplicationFolder();
    if (!options_.resolve) options_.resolve = [](const std::string& host) { return ResolveHost(host); };

    Log("启动");
    Step("+log");
    // POSIX sockets need no library start-up; the step stays so the order
    // of the rest is the same on every platform.
    Step("+sockets");
    CreateGlobalEncrypt();
    Step("+encrypt");
    GlobalChatCFG = new TkelChatCFG(options_.app_folder);
    GlobalChatCFG->Load(options_.resolve);
    Step("+chatcfg");
    GlobalSetSkin = new TSetSkin(options_.app_folder);
    Step("+skin");
    GlobalRightQuery = new TRightQuery;
    Step("+rights");
}

TAppGlobals::~TAppGlobals()
{
    delete GlobalRightQuery;
    GlobalRightQuery = nullptr;
    Step("-rights");
    delete GlobalSetSkin;
    GlobalSetSkin = nullptr;
    Step("-skin");
    delete GlobalChatCFG;
    GlobalChatCFG = nullptr;
    Step("-chatcfg");
    FreeGlobalEncrypt();
    Step("-encrypt");
    Step("-sockets");
    Log("退出");
    Step("-log");
}

void TAppGlobals::Step(const std::string& name)
{
    if (options_.on_step) options_.on_step(name);
}

} // namespace kel
