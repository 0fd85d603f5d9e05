#include "config/Gift.h"

#include <fstream>
#include <iterator>

#include "foundation/WireReader.h"
#include "foundation/kelDebug.h"
#include "foundation/kelUtils.h"
#include "foundation/WireWriter.h"

namespace kel {

TGift* GlobalGift = nullptr;

std::vector<uint8_t> EncodeGiftRecord(const TGiftInfo& g)
{
    WireWriter w(kGiftRecordSize);
    w.I32(g.id).StrN(g.name, kGiftNameMax).StrN(g.category, kGiftNameMax).I32(g.price);
    w.Zeros(11).StrN(g.picture, kGiftFileNameMax).StrN(g.animation, kGiftFileNameMax);
    return w.Take();
}

TGiftInfo DecodeGiftRecord(std::span<const uint8_t, kGiftRecordSize> bytes)
{
    WireReader r(bytes.data(), bytes.size());
    TGiftInfo g;
    g.id = r.I32();
    g.name = r.StrN(kGiftNameMax);
    g.category = r.StrN(kGiftNameMax);
    g.price = r.I32();
    r.Skip(11);
    g.picture = r.StrN(kGiftFileNameMax);
    g.animation = r.StrN(kGiftFileNameMax);
    return g;
}

TGift::TGift(const std::string& file_name)
{
    std::ifstream in(file_name, std::ios::binary);
    if (!in) {
        Log("gift catalogue " + file_name + " not found: no gifts are offered");
        return;
    }
    file_found_ = true;
    std::vector<uint8_t> data(std::istreambuf_iterator<char>(in), {});
    size_t whole = data.size() / kGiftRecordSize * kGiftRecordSize;
    for (size_t at = 0; at < whole; at += kGiftRecordSize)
        Add(DecodeGiftRecord(std::span<const uint8_t, kGiftRecordSize>(data.data() + at, kGiftRecordSize)));
    dropped_bytes_ = data.size() - whole;
    if (dropped_bytes_ != 0)
        Log("gift catalogue " + file_name + ": " + std::to_string(dropped_bytes_) + " bytes after the last whole record ignored");
}

void TGift::Add(TGiftInfo gift)
{
    bool known = false;
    for (const std::string& c : categories_) known = known || SameText(c, gift.category);
    if (!known) categories_.push_back(gift.category);
    by_id_.emplace(gift.id, gifts_.size());  // keeps the first of two equal ids
    gifts_.push_back(std::move(gift));
}

const TGiftInfo* TGift::FindGift(int32_t id) const
{
    auto it = by_id_.find(id);
    return it == by_id_.end() ? nullptr : &gifts_[it->second];
}

const TGiftInfo* TGift::GiftAt(int index) const
{
    return index >= 0 && index < GiftCount() ? &gifts_[static_cast<size_t>(index)] : nullptr;
}

std::string TGift::CategoryAt(int index) const
{
    return index >= 0 && index < CategoryCount() ? categories_[static_cast<size_t>(index)] : std::string();
}

} // namespace kel
