#pragma once
// The gift catalogue, Gift.dat: fixed 83-byte records (little-endian,
// string[n] = length byte + n bytes of GBK):
//   0 int32 id | 4 string[10] name | 15 string[10] category | 26 int32 price
//   30 11 bytes not used | 41 string[20] picture | 62 string[20] animation
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace kel {

inline constexpr size_t kGiftRecordSize = 83;
inline constexpr size_t kGiftNameMax = 10;
inline constexpr size_t kGiftFileNameMax = 20;

struct TGiftInfo {
    int32_t id = 0;
    std::string name;       // UTF-8
    std::string category;   // UTF-8
    int32_t price = 0;      // unit price in the community's currency
    std::string picture;    // gift bar icon under Picture/kelGive/
    std::string animation;  // shown in the chat, under Picture/kelGive/
};

// One record as it is stored. Texts that do not fit their field are cut on
// a character boundary (the catalogue tool refuses them beforehand).
std::vector<uint8_t> EncodeGiftRecord(const TGiftInfo& gift);
// A record from 83 bytes; a length byte larger than its field is clamped.
TGiftInfo DecodeGiftRecord(std::span<const uint8_t, kGiftRecordSize> bytes);

class TGift {
public:
    TGift() = default;
    // Loads every whole record of the file. A missing file gives an empty
    // catalogue; a trailing partial record is dropped. Both are logged.
    explicit TGift(const std::string& file_name);

    // The first record with this id, or none.
    const TGiftInfo* FindGift(int32_t id) const;
    const TGiftInfo* GiftAt(int index) const;
    int GiftCount() const { return static_cast<int>(gifts_.size()); }
    int CategoryCount() const { return static_cast<int>(categories_.size()); }
    // The category name, or empty when `index` is out of range.
    std::string CategoryAt(int index) const;

    bool FileFound() const { return file_found_; }
    // Bytes at the end of the file that did not make a whole record.
    size_t DroppedBytes() const { return dropped_bytes_; }

private:
    void Add(TGiftInfo gift);

    std::vector<TGiftInfo> gifts_;
    std::vector<std::string> categories_;
    std::unordered_map<int32_t, size_t> by_id_;
    bool file_found_ = false;
    size_t dropped_bytes_ = 0;
};

// The catalogue shared by the hall and every room window.
extern TGift* GlobalGift;

} // namespace kel
