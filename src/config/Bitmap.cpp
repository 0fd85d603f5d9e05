#include "config/Bitmap.h"

#include <fstream>
#include <iterator>

#include "foundation/WireReader.h"

namespace kel {

uint32_t TBitmap::PixelRGB(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

void TBitmap::MaskColour(uint32_t rgb)
{
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        uint32_t c = (uint32_t{rgba[i]} << 16) | (uint32_t{rgba[i + 1]} << 8) | rgba[i + 2];
        if (c == rgb) rgba[i + 3] = 0;
    }
}

std::optional<TBitmap> DecodeBitmap(const std::vector<uint8_t>& file)
{
    WireReader r(file.data(), file.size());
    uint16_t magic = r.U16();
    r.Skip(8);
    uint32_t pixels_at = r.U32();
    uint32_t header_size = r.U32();
    int32_t width = r.I32();
    int32_t height = r.I32();
    r.U16();  // planes
    uint16_t bpp = r.U16();
    uint32_t compression = r.U32();
    r.Skip(12);
    uint32_t colours_used = r.U32();
    if (!r.Ok() || magic != 0x4D42 || header_size < 40) return std::nullopt;
    // 32-bit pictures often say BI_BITFIELDS with the usual masks; treat them alike.
    if (compression != 0 && !(compression == 3 && bpp == 32)) return std::nullopt;
    if (bpp != 8 && bpp != 24 && bpp != 32) return std::nullopt;
    bool top_down = height < 0;
    int64_t h = top_down ? -int64_t{height} : height;
    if (width <= 0 || h <= 0 || width > 8192 || h > 8192) return std::nullopt;

    std::vector<uint32_t> palette;
    if (bpp == 8) {
        size_t n = colours_used == 0 ? 256 : colours_used;
        if (n > 256) return std::nullopt;
        WireReader pr(file.data(), file.size());
        pr.Seek(14 + header_size);
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = pr.U8(), g = pr.U8(), rr = pr.U8();
            pr.U8();
            palette.push_back((uint32_t{rr} << 16) | (uint32_t{g} << 8) | b);
        }
        if (!pr.Ok()) return std::nullopt;
    }

    size_t stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
    if (pixels_at > file.size() || stride * static_cast<size_t>(h) > file.size() - pixels_at) return std::nullopt;

    TBitmap bmp;
    bmp.width = width;
    bmp.height = static_cast<int>(h);
    bmp.rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(h) * 4);
    for (int y = 0; y < bmp.height; ++y) {
        int src_row = top_down ? y : bmp.height - 1 - y;
        const uint8_t* row = file.data() + pixels_at + static_cast<size_t>(src_row) * stride;
        uint8_t* out = &bmp.rgba[static_cast<size_t>(y) * static_cast<size_t>(width) * 4];
        for (int x = 0; x < width; ++x, out += 4) {
            if (bpp == 8) {
                uint8_t idx = row[x];
                uint32_t c = idx < palette.size() ? palette[idx] : 0;
                out[0] = static_cast<uint8_t>(c >> 16);
                out[1] = static_cast<uint8_t>(c >> 8);
                out[2] = static_cast<uint8_t>(c);
            } else {
                const uint8_t* p = row + static_cast<size_t>(x) * (bpp / 8);
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            }
            out[3] = 255;
        }
    }
    return bmp;
}

std::optional<TBitmap> LoadBitmapFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return DecodeBitmap(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

} // namespace kel
