#pragma once
// The client's side of the fun-phrase library libkelLanguageRes.so, loaded
// by name from the application folder. Without the library every phrase
// is empty and GetTag gives 0, so the chat shows empty lines rather than
// failing.
#include <cstdint>
#include <string>
#include <utility>

namespace kel {

inline constexpr const char* kLanguageResName = "libkelLanguageRes.so";

class TLanguageRes {
public:
    TLanguageRes() = default;
    ~TLanguageRes();
    TLanguageRes(const TLanguageRes&) = delete;
    TLanguageRes& operator=(const TLanguageRes&) = delete;

    // Loads the library from `app_folder`; false when it or one of its
    // three functions is missing (the object then answers empty).
    bool Load(const std::string& app_folder);
    bool Loaded() const { return get_tag_ != nullptr; }

    int32_t GetTag(int32_t group, const std::string& target_nick) const;
    std::string GetStr(int32_t number) const;
    // The two texts of an action (above 4000); both empty when unknown.
    std::pair<std::string, std::string> GetInterestingStrs(int32_t number) const;

private:
    void Unload();

    void* lib_ = nullptr;
    int32_t (*get_tag_)(int32_t, const char*) = nullptr;
    const char* (*get_str_)(int32_t) = nullptr;
    int32_t (*get_interesting_)(int32_t, const char**, const char**) = nullptr;
};

// The phrase library of the running program, loaded once with the other
// catalogues for all room windows; nullptr until then.
extern TLanguageRes* GlobalLanguageRes;

} // namespace kel
