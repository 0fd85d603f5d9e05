#pragma once
// A table row for a message layout: what the writer produced, the bytes
// written out by hand from the layout table, how many of them a reader
// needs, and a round trip through the reader. CheckCases holds every row to
// the same rules: the writer gives exactly the hand bytes, the reader takes
// back every field, and one byte short, another command code or a wrong
// signature is refused.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "HandBytes.h"
#include "protocol/LayoutSupport.h"

namespace kel::test {

using Bytes = std::vector<uint8_t>;

struct LayoutCase {
    const char* name;
    Bytes written;
    Bytes hand;
    size_t needed;  // bytes a reader needs
    std::function<std::optional<Bytes>(const Bytes&)> reencode;
};

// `needed` 0: the reader needs every hand byte.
template <class T>
LayoutCase Make(const char* name, const T& msg, const Hand& hand, size_t needed = 0) {
    return LayoutCase{name, Encode(msg), hand.bytes(), needed ? needed : hand.bytes().size(),
                      [](const Bytes& b) -> std::optional<Bytes> {
                          auto m = Decode<T>(b);
                          if (!m) return std::nullopt;
                          return Encode(*m);
                      }};
}

inline void CheckCases(const std::vector<LayoutCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.written, c.hand);
        auto again = c.reencode(c.hand);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(*again, c.hand);

        Bytes shorter(c.hand.begin(), c.hand.begin() + static_cast<long>(c.needed) - 1);
        EXPECT_FALSE(c.reencode(shorter).has_value()) << "accepted " << shorter.size() << " bytes";

        Bytes other = c.hand;
        other[4] ^= 0x01;  // another command code
        EXPECT_FALSE(c.reencode(other).has_value());
        Bytes unsigned_ = c.hand;
        unsigned_[0] ^= 0x01;  // not the signature
        EXPECT_FALSE(c.reencode(unsigned_).has_value());
    }
}

} // namespace kel::test
