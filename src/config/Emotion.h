#pragma once
// The emoticon catalogue, Picture/Face/Face.xml:
//   <FACESETTING>
//     <CUSTOMFACEGROUP name="...">
//       <FACE id="..." tip="..."><FILEORG>full.gif</FILEORG><FILEFIXED>small.bmp</FILEFIXED></FACE>
// Each emoticon has a full-size picture for the chat and a 20 x 20 bitmap
// for the picker; the bitmaps form one image list, group after group.
#include <cstdint>
#include <string>
#include <vector>

#include "config/Bitmap.h"

namespace kel {

inline constexpr size_t kEmotionIdMax = 32;
inline constexpr size_t kEmotionTipMax = 30;

struct TEmotionInfo {
    std::string id;          // at most 32 characters
    std::string tip;         // at most 30 characters
    std::string org_path;    // full-size picture: folder + FILEORG
    std::string fixed_path;  // picker bitmap: folder + FILEFIXED
};

struct TEmotionGroup {
    int32_t first_index = 0;  // image of the group's first emoticon
    std::string name;
    std::vector<TEmotionInfo> faces;
};

class TEmotion {
public:
    TEmotion() = default;
    // Loads `folder`/Face.xml (folder with or without its trailing '/').
    // A missing or unreadable file gives an empty catalogue; an emoticon
    // whose bitmap is missing or not a bitmap is left out.
    explicit TEmotion(const std::string& folder);

    // A copy of the emoticon with exactly this id, or an empty record; when
    // several groups hold the id, the last of them gives it.
    TEmotionInfo FindEmotion(const std::string& id) const;

    const std::vector<TEmotionGroup>& Groups() const { return groups_; }
    // The picker's pictures, each masked by the colour of its lower-left pixel.
    const std::vector<TBitmap>& Images() const { return images_; }
    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
    std::vector<TEmotionGroup> groups_;
    std::vector<TBitmap> images_;
};

// The catalogue shared by the hall and every room window.
extern TEmotion* GlobalEmotion;

} // namespace kel
