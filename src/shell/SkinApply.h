#pragma once
// Applying a skin to the Qt windows: the bundle's images are written to a
// folder of this process and its style sheet, pointed at that folder,
// becomes the application's style sheet, so every window made before or
// after wears it.
#include <string>

namespace kel {

class TSetSkin;
struct TSkinData;

// The folder the images of skin `index` go to.
std::string SkinImageFolder(int index);
// Applies `skin` to the whole application; false when its images could not
// be written (the style sheet is applied all the same).
bool ApplySkinToApplication(const TSkinData& skin, int index);
// Connects the skin selector to the application: every skin it applies
// from now on, and the one it already holds, restyles the windows.
void ConnectSkins(TSetSkin& skins);

} // namespace kel
