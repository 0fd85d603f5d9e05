#include "config/SkinBundle.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <zlib.h>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

namespace kel {
namespace {

constexpr uint32_t kVersion = 1;
constexpr uint32_t kMaxPayload = 64u << 20;

bool SafeName(const std::string& name)
{
    if (name.empty() || name.size() > 0xFFFF || name.front() == '/') return false;
    for (const auto& part : std::filesystem::path(name))
        if (part == "..") return false;
    return name.find('\0') == std::string::npos && name.find('\\') == std::string::npos;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

std::string TSkinData::StyleSheetFor(const std::string& image_folder) const
{
    std::string folder = image_folder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string marker = "url(skin:";
    std::string out;
    size_t at = 0;
    for (size_t hit; (hit = style_sheet.find(marker, at)) != std::string::npos; at = hit + marker.size()) {
        out.append(style_sheet, at, hit - at);
        out += "url(" + folder;
    }
    out.append(style_sheet, at, std::string::npos);
    return out;
}

bool TSkinData::ExtractImages(const std::string& folder) const
{
    for (const TSkinImage& img : images) {
        if (!SafeName(img.name)) return false;
        std::filesystem::path p = std::filesystem::path(folder) / img.name;
        std::error_code ec;
        std::filesystem::create_directories(p.parent_path(), ec);
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(img.data.data()), static_cast<std::streamsize>(img.data.size()));
        if (!f) return false;
    }
    return true;
}

std::vector<uint8_t> PackSkin(const TSkinData& skin)
{
    WireWriter payload;
    payload.U32(static_cast<uint32_t>(skin.images.size() + 1));
    auto entry = [&](const std::string& name, const void* data, size_t len) {
        payload.U16(static_cast<uint16_t>(name.size())).Bytes(name.data(), name.size());
        payload.U32(static_cast<uint32_t>(len)).Bytes(data, len);
    };
    entry(kSkinStyleEntry, skin.style_sheet.data(), skin.style_sheet.size());
    for (const TSkinImage& img : skin.images) entry(img.name, img.data.data(), img.data.size());

    const std::vector<uint8_t>& raw = payload.Data();
    uLongf packed_len = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_len);
    if (compress2(packed.data(), &packed_len, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    packed.resize(packed_len);

    WireWriter file;
    file.Bytes("KSKN", 4).U32(kVersion).U32(static_cast<uint32_t>(raw.size()));
    file.Bytes(packed.data(), packed.size());
    return file.Take();
}

std::optional<TSkinData> UnpackSkin(const std::vector<uint8_t>& file)
{
    WireReader head(file.data(), file.size());
    auto magic = head.Bytes(4);
    uint32_t version = head.U32();
    uint32_t raw_len = head.U32();
    if (!head.Ok() || !std::equal(magic.begin(), magic.end(), "KSKN") || version != kVersion || raw_len > kMaxPayload)
        return std::nullopt;

    std::vector<uint8_t> raw(raw_len);
    uLongf out_len = raw_len;
    if (uncompress(raw.data(), &out_len, file.data() + head.Pos(), static_cast<uLong>(head.Remaining())) != Z_OK ||
        out_len != raw_len)
        return std::nullopt;

    WireReader r(raw.data(), raw.size());
    uint32_t count = r.U32();
    TSkinData skin;
    bool have_style = false;
    for (uint32_t i = 0; i < count && r.Ok(); ++i) {
        uint16_t name_len = r.U16();
        auto name_bytes = r.Bytes(name_len);
        uint32_t data_len = r.U32();
        auto data = r.Bytes(data_len);
        if (!r.Ok()) return std::nullopt;
        std::string name(name_bytes.begin(), name_bytes.end());
        if (!SafeName(name)) return std::nullopt;
        if (name == kSkinStyleEntry) {
            skin.style_sheet.assign(data.begin(), data.end());
            have_style = true;
        } else {
            skin.images.push_back({std::move(name), std::vector<uint8_t>(data.begin(), data.end())});
        }
    }
    if (!r.Ok() || r.Remaining() != 0 || !have_style) return std::nullopt;
    return skin;
}

std::optional<TSkinData> LoadSkinFile(const std::string& path)
{
    auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return UnpackSkin(*bytes);
}

std::optional<TSkinData> ReadSkinFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file()) files.push_back(it->path());
    if (ec) return std::nullopt;
    std::sort(files.begin(), files.end());

    TSkinData skin;
    bool have_style = false;
    for (const fs::path& p : files) {
        std::string name = fs::relative(p, folder).generic_string();
        auto bytes = ReadFileBytes(p.string());
        if (!bytes || !SafeName(name)) return std::nullopt;
        if (name == kSkinStyleEntry) {
            skin.style_sheet.assign(bytes->begin(), bytes->end());
            have_style = true;
        } else {
            skin.images.push_back({name, std::move(*bytes)});
        }
    }
    if (!have_style) return std::nullopt;
    return skin;
}

} // namespace kel
