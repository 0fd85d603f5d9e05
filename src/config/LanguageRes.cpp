#include "config/LanguageRes.h"

#include <dlfcn.h>

#include "platform/AppFolder.h"

namespace kel {

TLanguageRes* GlobalLanguageRes = nullptr;

TLanguageRes::~TLanguageRes() { Unload(); }

void TLanguageRes::Unload()
{
    get_tag_ = nullptr;
    get_str_ = nullptr;
    get_interesting_ = nullptr;
    if (lib_) ::dlclose(lib_);
    lib_ = nullptr;
}

bool TLanguageRes::Load(const std::string& app_folder)
{
    Unload();
    lib_ = ::dlopen((WithTrailingSlash(app_folder) + kLanguageResName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib_) return false;
    auto tag = reinterpret_cast<int32_t (*)(int32_t, const char*)>(::dlsym(lib_, "GetTag"));
    auto str = reinterpret_cast<const char* (*)(int32_t)>(::dlsym(lib_, "GetStr"));
    auto two = reinterpret_cast<int32_t (*)(int32_t, const char**, const char**)>(::dlsym(lib_, "GetInterestingStrs"));
    if (!tag || !str || !two) {
        Unload();
        return false;
    }
    get_tag_ = tag;
    get_str_ = str;
    get_interesting_ = two;
    return true;
}

int32_t TLanguageRes::GetTag(int32_t group, const std::string& target_nick) const
{
    return get_tag_ ? get_tag_(group, target_nick.c_str()) : 0;
}

std::string TLanguageRes::GetStr(int32_t number) const
{
    const char* s = get_str_ ? get_str_(number) : nullptr;
    return s ? std::string(s) : std::string();
}

std::pair<std::string, std::string> TLanguageRes::GetInterestingStrs(int32_t number) const
{
    const char* first = nullptr;
    const char* second = nullptr;
    if (get_interesting_) get_interesting_(number, &first, &second);
    return {first ? first : "", second ? second : ""};
}

} // namespace kel
