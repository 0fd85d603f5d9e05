#include "config/TypeCFG.h"

#include "foundation/kelUtils.h"
#include "platform/IniFile.h"

namespace kel {

TkelTypeCFG* GlobalTypeCFG = nullptr;

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}


} // namespace

TkelTypeCFG::TkelTypeCFG(const std::string& file_name)
{
    TIniFile ini(file_name);
    for (auto& [name, tmpl] : ini.ReadSectionValues("UserInRoom")) {
        level_names_.push_back(name);
        templates_.push_back(tmpl.empty() ? std::string(kDefaultWelcomeTemplate) : tmpl);
    }
    GiftColor = ini.ReadString("BGCOLOR", "Gift", "FFFFFF");
    PubChatColor = ini.ReadString("BGCOLOR", "PubChat", "FFFFFF");
    PriChatColor = ini.ReadString("BGCOLOR", "PriChat", "FFFFFF");
    LogoName = ini.ReadString("LogoName", "LogoName", "");
}

int TkelTypeCFG::LevelIndex(std::string_view name) const
{
    name = Trim(name);
    for (size_t i = 0; i < level_names_.size(); ++i)
        if (SameText(level_names_[i], name)) return static_cast<int>(i);
    return -1;
}

std::string TkelTypeCFG::WelcomeTemplate(int index) const
{
    return index >= 0 && index < LevelCount() ? templates_[static_cast<size_t>(index)] : std::string();
}

std::string FillTemplate(std::string_view tmpl, const std::vector<TTemplateArg>& args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < tmpl.size(); ++i) {
        char c = tmpl[i];
        char f = i + 1 < tmpl.size() ? tmpl[i + 1] : '\0';
        if (c != '%' || (f != 's' && f != 'd' && f != '%')) {
            out += c;
            continue;
        }
        ++i;
        if (f == '%') {
            out += '%';
            continue;
        }
        if (next >= args.size()) continue;
        const TTemplateArg& a = args[next++];
        if (f == 's') {
            out += std::holds_alternative<std::string>(a) ? std::get<std::string>(a) : std::to_string(std::get<int64_t>(a));
        } else {
            out += std::holds_alternative<int64_t>(a) ? std::to_string(std::get<int64_t>(a)) : std::string("0");
        }
    }
    return out;
}

} // namespace kel
