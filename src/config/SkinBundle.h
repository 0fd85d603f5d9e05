#pragma once
// A skin (.skn file): a Qt style sheet and the images it refers to, packed
// into one zlib-compressed bundle.
//
// File layout (little-endian):
//   0  4 bytes  "KSKN"
//   4  uint32   format version, 1
//   8  uint32   size of the uncompressed payload
//  12  ...      the payload as one zlib stream
// Payload: uint32 entry count, then per entry a uint16 name length, the
// name (UTF-8, a relative path with '/'), a uint32 data length and the data.
// The entry "skin.qss" is the style sheet; it names its images as
// url(skin:relative/name.png), which StyleSheetFor() points at a folder.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel {

inline constexpr const char* kSkinStyleEntry = "skin.qss";

struct TSkinImage {
    std::string name;
    std::vector<uint8_t> data;
};

struct TSkinData {
    std::string style_sheet;
    std::vector<TSkinImage> images;

    bool Empty() const { return style_sheet.empty() && images.empty(); }
    // The style sheet with every "url(skin:" pointed at `image_folder`.
    std::string StyleSheetFor(const std::string& image_folder) const;
    // Writes the images below `folder` (created); false on a write error.
    bool ExtractImages(const std::string& folder) const;
};

std::vector<uint8_t> PackSkin(const TSkinData& skin);
// Nothing for data that is not a whole, well-formed bundle: wrong magic or
// version, a payload over 64 MiB, a size that does not match, an entry
// that runs past the payload, a name that climbs out of its folder.
std::optional<TSkinData> UnpackSkin(const std::vector<uint8_t>& file);

std::optional<TSkinData> LoadSkinFile(const std::string& path);
// skin.qss and every other file below `folder` (sorted by name, so the
// bundle is the same on every machine).
std::optional<TSkinData> ReadSkinFolder(const std::string& folder);

} // namespace kel
