#include "config/SetSkin.h"

#include "foundation/kelDebug.h"
#include "platform/AppFolder.h"
#include "platform/IniFile.h"

namespace kel {

TSetSkin* GlobalSetSkin = nullptr;

TSetSkin::TSetSkin(std::string app_folder) : app_folder_(WithTrailingSlash(std::move(app_folder)))
{
    names_ = TIniFile(SkinFolder() + "Skin.ini").ReadSection("Skin");
    ApplySkin(TIniFile(app_folder_ + "Config.ini").ReadInteger("Set", "SkinIndex", 0));
}

bool TSetSkin::ApplySkin(int index)
{
    if (names_.empty()) return false;
    if (index < 0 || index >= SkinCount()) index = 0;
    std::string file = TIniFile(SkinFolder() + "Skin.ini").ReadString("Skin", names_[static_cast<size_t>(index)], kDefaultSkinFile);
    auto skin = LoadSkinFile(SkinFolder() + file);
    if (!skin) {
        Log("skin " + file + " missing or damaged; the current skin stays");
        return false;
    }
    skin_ = std::move(*skin);
    index_ = index;
    TIniFile(app_folder_ + "Config.ini").WriteInteger("Set", "SkinIndex", index);
    if (on_apply_) on_apply_(skin_, index_);
    return true;
}

void TSetSkin::SetOnApply(TApplyHook hook)
{
    on_apply_ = std::move(hook);
    if (on_apply_ && index_ >= 0) on_apply_(skin_, index_);
}

} // namespace kel
