#pragma once
// Windows bitmaps (.bmp) as the installation ships them: uncompressed 8, 24
// or 32 bits per pixel, bottom-up or top-down, decoded into RGBA so that
// any drawing layer can take them. Emoticon pickers and image strips mask
// them by one colour taken from a corner pixel.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel {

struct TBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // rows top to bottom, 4 bytes a pixel

    uint32_t PixelRGB(int x, int y) const;  // 0xRRGGBB
    // Makes every pixel of colour `rgb` fully transparent.
    void MaskColour(uint32_t rgb);
    uint32_t LowerLeftRGB() const { return PixelRGB(0, height - 1); }
    uint32_t TopLeftRGB() const { return PixelRGB(0, 0); }
};

// Nothing for data that is not a whole bitmap of a kind listed above, or
// is larger than 8192 pixels a side.
std::optional<TBitmap> DecodeBitmap(const std::vector<uint8_t>& file);
std::optional<TBitmap> LoadBitmapFile(const std::string& path);

} // namespace kel
