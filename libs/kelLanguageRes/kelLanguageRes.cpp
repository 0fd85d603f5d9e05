// Reads its phrases from kelLanguageRes.txt beside the library the first
// time one is asked for:
//   [1100]            a group; its lines are the phrases GetTag picks from
//   1101=text
//   [actions]         numbers above 4000: first text|second text
//   4001=轻轻地拍了拍|的肩膀
// Lines starting with ';' or '#' are comments.
#include "kelLanguageRes.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

struct Phrases {
    std::map<int32_t, std::string> texts;
    std::map<int32_t, std::pair<std::string, std::string>> actions;
    std::map<int32_t, std::vector<int32_t>> groups;
};

std::string OwnFolder()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || !info.dli_fname) return "./";
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool ToNumber(const std::string& s, int32_t& v)
{
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    v = static_cast<int32_t>(std::strtol(s.c_str(), nullptr, 10));
    return true;
}

Phrases Load()
{
    Phrases p;
    std::ifstream in(OwnFolder() + "kelLanguageRes.txt");
    int32_t group = 0;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            int32_t g = 0;
            group = ToNumber(line.substr(1, line.size() - 2), g) ? g : 0;
            continue;
        }
        size_t eq = line.find('=');
        int32_t n = 0;
        if (eq == std::string::npos || !ToNumber(Trim(line.substr(0, eq)), n)) continue;
        std::string text = Trim(line.substr(eq + 1));
        if (n > 4000) {
            size_t bar = text.find('|');
            p.actions[n] = bar == std::string::npos ? std::make_pair(std::string(), text)
                                                    : std::make_pair(text.substr(0, bar), text.substr(bar + 1));
        } else {
            p.texts[n] = text;
            if (group != 0) p.groups[group].push_back(n);
        }
    }
    return p;
}

const Phrases& Get()
{
    static const Phrases phrases = Load();
    return phrases;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t GetTag(int32_t group, const char*)
{
    auto it = Get().groups.find(group);
    if (it == Get().groups.end() || it->second.empty()) return 0;
    static std::mutex lock;
    static std::mt19937 random{std::random_device{}()};
    std::lock_guard<std::mutex> guard(lock);
    return it->second[std::uniform_int_distribution<size_t>(0, it->second.size() - 1)(random)];
}

__attribute__((visibility("default"))) const char* GetStr(int32_t number)
{
    auto it = Get().texts.find(number);
    return it == Get().texts.end() ? "" : it->second.c_str();
}

__attribute__((visibility("default"))) int32_t GetInterestingStrs(int32_t number, const char** first, const char** second)
{
    auto it = Get().actions.find(number);
    bool found = it != Get().actions.end();
    if (first) *first = found ? it->second.first.c_str() : "";
    if (second) *second = found ? it->second.second.c_str() : "";
    return found ? 1 : 0;
}

} // extern "C"
