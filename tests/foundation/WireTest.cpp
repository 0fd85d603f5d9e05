#include <gtest/gtest.h>

#include <vector>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

using namespace kel;
using Bytes = std::vector<uint8_t>;

TEST(WireWriter, LittleEndianFieldsPaddingAndStrings) {
    WireWriter w;
    w.I32(824156).I16(-2).U8(7).PadTo(12).StrN("ab", 4).Fixed("xyz", 2);
    Bytes want = {0x5C, 0x93, 0x0C, 0x00, 0xFE, 0xFF, 0x07, 0, 0, 0, 0, 0, 2, 'a', 'b', 0, 0, 'x', 'y'};
    EXPECT_EQ(w.Data(), want);
    w.PatchI32(0, 1);
    EXPECT_EQ(w.Data()[0], 1);
}

TEST(WireWriter, StringFieldNeverSplitsAChineseCharacter) {
    // "房间" is four GBK bytes; a string[3] can only hold the first character.
    WireWriter w;
    w.StrN("房间", 3);
    Bytes want = {2, 0xB7, 0xBF, 0};
    EXPECT_EQ(w.Data(), want);
}

TEST(WireReader, ReadsBackAndFailsStickyPastTheEnd) {
    Bytes b = {0x5C, 0x93, 0x0C, 0x00, 0x34, 0x12};
    WireReader r(b.data(), b.size());
    EXPECT_EQ(r.I32(), 824156);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.I32(), 0);
    EXPECT_FALSE(r.Ok());
    // Once failed, even a read that would fit yields nothing.
    r.Seek(0);
    EXPECT_EQ(r.U8(), 0);
    EXPECT_FALSE(r.Ok());
}

TEST(WireReader, HugeSkipDoesNotWrapTheBoundsCheck) {
    Bytes b(8, 0);
    WireReader r(b.data(), b.size());
    r.Skip(4);
    r.Skip(static_cast<size_t>(-2));
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.Bytes(1).empty());
}

struct StrCase {
    const char* name;
    Bytes bytes;
    size_t n;
    std::string text;
    bool ok;
};

TEST(WireReader, StringFieldsAreClampedToTheirSizeAndToTheBytesPresent) {
    const StrCase cases[] = {
        {"exact", {3, 'a', 'b', 'c', 0}, 4, "abc", true},
        {"length beyond n", {9, 'a', 'b', 'c', 'd'}, 4, "abcd", true},
        {"field cut short", {4, 'a', 'b'}, 4, "ab", false},
        {"empty input", {}, 4, "", false},
        {"gbk text", {4, 0xB7, 0xBF, 0xBC, 0xE4, 0, 0}, 6, "房间", true},
        {"lead byte cut by the length", {3, 0xB7, 0xBF, 0xBC, 0xE4}, 4, "房", true},
    };
    for (const auto& c : cases) {
        WireReader r(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(r.StrN(c.n), c.text) << c.name;
        EXPECT_EQ(r.Ok(), c.ok) << c.name;
    }
}
