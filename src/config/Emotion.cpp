#include "config/Emotion.h"

#include <cstring>

#include <pugixml.hpp>

#include "platform/AppFolder.h"

namespace kel {

TEmotion* GlobalEmotion = nullptr;

namespace {

// Cut to at most `n` characters, never inside a UTF-8 sequence.
std::string CutChars(std::string s, size_t n)
{
    size_t i = 0, chars = 0;
    while (i < s.size() && chars < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        ++chars;
    }
    if (i < s.size()) s.resize(i);
    return s;
}

} // namespace

TEmotion::TEmotion(const std::string& folder) : folder_(WithTrailingSlash(folder))
{
    pugi::xml_document doc;
    if (!doc.load_file((folder_ + "Face.xml").c_str())) return;
    pugi::xml_node root = doc.document_element();
    if (std::strcmp(root.name(), "FACESETTING") != 0) return;

    for (pugi::xml_node g : root.children("CUSTOMFACEGROUP")) {
        TEmotionGroup group;
        group.name = g.attribute("name").as_string();
        group.first_index = static_cast<int32_t>(images_.size());
        for (pugi::xml_node f : g.children("FACE")) {
            TEmotionInfo info;
            info.id = CutChars(f.attribute("id").as_string(), kEmotionIdMax);
            info.tip = CutChars(f.attribute("tip").as_string(), kEmotionTipMax);
            info.org_path = folder_ + f.child_value("FILEORG");
            info.fixed_path = folder_ + f.child_value("FILEFIXED");
            // Pictures and entries stay in step: no bitmap, no emoticon.
            auto bmp = f.child("FILEFIXED") ? LoadBitmapFile(info.fixed_path) : std::nullopt;
            if (!bmp) continue;
            bmp->MaskColour(bmp->LowerLeftRGB());
            images_.push_back(std::move(*bmp));
            group.faces.push_back(std::move(info));
        }
        groups_.push_back(std::move(group));
    }
}

TEmotionInfo TEmotion::FindEmotion(const std::string& id) const
{
    TEmotionInfo found;
    for (const TEmotionGroup& g : groups_)
        for (const TEmotionInfo& f : g.faces)
            if (f.id == id) found = f;
    return found;
}

} // namespace kel
