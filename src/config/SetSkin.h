#pragma once
// The skin selector. Skin/Skin.ini lists the skins (the key names of its
// section "Skin", each naming a .skn file in Skin/); Config.ini's
// Set/SkinIndex remembers the chosen one. Loading a skin hands it to the
// OnApply hook, through which the windows restyle themselves.
#include <functional>
#include <string>
#include <vector>

#include "config/SkinBundle.h"

namespace kel {

inline constexpr const char* kDefaultSkinFile = "kelroom.skn";

class TSetSkin {
public:
    using TApplyHook = std::function<void(const TSkinData& skin, int index)>;

    // Reads the skin list and the remembered index and applies that skin.
    explicit TSetSkin(std::string app_folder);

    // Applies the skin at `index`; an index outside the list (negative or
    // beyond the last) means the first skin. A skin whose file is missing
    // or is not a valid bundle leaves the current skin and index as they
    // are (false); so does an empty list. On success SkinIndex is written
    // back to Config.ini.
    bool ApplySkin(int index);

    // Sets the hook and, when a skin is already loaded, calls it at once so
    // that windows made after start-up get the current skin.
    void SetOnApply(TApplyHook hook);

    const TSkinData& gSkinData() const { return skin_; }
    int SkinCount() const { return static_cast<int>(names_.size()); }
    // Index of the loaded skin; -1 while none is loaded.
    int gSkinIndex() const { return index_; }
    const std::vector<std::string>& SkinNames() const { return names_; }
    std::string SkinFolder() const { return app_folder_ + "Skin/"; }

private:
    std::string app_folder_;
    std::vector<std::string> names_;
    TSkinData skin_;
    int index_ = -1;
    TApplyHook on_apply_;
};

// The application's skin selector, made and freed by the start-up.
extern TSetSkin* GlobalSetSkin;

} // namespace kel
