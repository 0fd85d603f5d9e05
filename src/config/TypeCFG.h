#pragma once
// The level catalogue, UserLevel.ini: a welcome template per level name
// (section UserInRoom, in file order), the background colours of the gift
// area and the two chat screens (section BGCOLOR), and the name of the
// community's currency (LogoName/LogoName).
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kel {

inline constexpr const char* kDefaultWelcomeTemplate =
    "<FONT STYLE=\"font: 10pt 黑体; color:red\"><b>【系统】: %s欢迎 %s %s(%d) 进入房间<b></FONT>";

class TkelTypeCFG {
public:
    TkelTypeCFG() = default;
    // Reads the file; a missing file gives no levels, white colours and no
    // currency name.
    explicit TkelTypeCFG(const std::string& file_name);

    // Position of the trimmed name among the level names (letter case not
    // regarded), or -1.
    int LevelIndex(std::string_view name) const;
    // The template at `index`, or empty outside 0..LevelCount()-1.
    std::string WelcomeTemplate(int index) const;
    int LevelCount() const { return static_cast<int>(level_names_.size()); }
    const std::vector<std::string>& LevelNames() const { return level_names_; }

    std::string LogoName;
    std::string GiftColor = "FFFFFF";
    std::string PubChatColor = "FFFFFF";
    std::string PriChatColor = "FFFFFF";

private:
    std::vector<std::string> level_names_;
    std::vector<std::string> templates_;
};

// The catalogue shared by the hall and every room window.
extern TkelTypeCFG* GlobalTypeCFG;

using TTemplateArg = std::variant<std::string, int64_t>;

// Fills a template's places in order: each "%s" takes the next argument as
// text, each "%d" as a number, "%%" is a single '%'. A place with no
// argument left becomes empty; any other '%' stays as it is. The template
// is data from a file, so it is never handed to a printf-style formatter.
std::string FillTemplate(std::string_view tmpl, const std::vector<TTemplateArg>& args);

} // namespace kel
