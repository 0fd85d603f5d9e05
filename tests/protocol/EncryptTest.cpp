#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "protocol/Encrypt.h"
#include "protocol/Tea.h"

using namespace kel;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Counting(size_t n, uint8_t start = 1) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(start + i);
    return b;
}

} // namespace

TEST(Tea, AllZeroKeyAndBlockGiveTheKnownAnswer) {
    const uint8_t key[16] = {};
    uint8_t block[8] = {};
    TeaEncryptBlock(block, key);
    // Words 41EA3A0A and 94BAA940, each little-endian.
    const uint8_t want[8] = {0x0A, 0x3A, 0xEA, 0x41, 0x40, 0xA9, 0xBA, 0x94};
    EXPECT_EQ(Bytes(block, block + 8), Bytes(want, want + 8));
    TeaDecryptBlock(block, key);
    EXPECT_EQ(Bytes(block, block + 8), Bytes(8, 0));
}

TEST(Tea, SeveralBlocksAtOnceEqualTheBlocksOneByOne) {
    // The stream forms work four blocks side by side; every count, including
    // the ones that leave a tail of 1 to 3 blocks, must match block by block.
    const Bytes key = Counting(16, 0x31);
    for (size_t count : {1u, 3u, 4u, 5u, 8u, 11u, 100u}) {
        const Bytes plain = Counting(8 * count, static_cast<uint8_t>(count));
        Bytes one_by_one = plain, together = plain;
        for (size_t i = 0; i < count; ++i) TeaEncryptBlock(one_by_one.data() + 8 * i, key.data());
        TeaEncryptBlocks(together.data(), count, key.data());
        EXPECT_EQ(together, one_by_one) << count << " blocks";
        TeaDecryptBlocks(together.data(), count, key.data());
        EXPECT_EQ(together, plain) << count << " blocks";
    }
}

TEST(Tea, EveryPathGivesTheBytesOfTheSingleBlockForms) {
    // The vector paths take 4 or 8 blocks per vector and two vectors at a
    // time; counts 0..40 cover every split into pairs, single vectors and
    // a scalar tail. Random data and keys, so that no lane mix-up (a first
    // word taken for a second, a block landing in its neighbour's place)
    // can go unseen.
    std::mt19937 rng(20240611);
    auto random_bytes = [&](size_t n) {
        Bytes b(n);
        for (auto& x : b) x = static_cast<uint8_t>(rng());
        return b;
    };
    const TeaPath paths[] = {TeaPath::Scalar, TeaPath::Sse2, TeaPath::Avx2};
    for (TeaPath path : paths) {
        if (!TeaPathAvailable(path)) continue;
        SCOPED_TRACE(static_cast<int>(path));
        // The known answer in every lane.
        const uint8_t zero_key[16] = {};
        Bytes zeros(8 * 17, 0);
        TeaEncryptBlocks(zeros.data(), 17, zero_key, path);
        for (size_t i = 0; i < 17; ++i)
            EXPECT_EQ(Bytes(zeros.begin() + 8 * i, zeros.begin() + 8 * i + 8),
                      (Bytes{0x0A, 0x3A, 0xEA, 0x41, 0x40, 0xA9, 0xBA, 0x94}))
                << "block " << i;
        for (size_t count = 0; count <= 40; ++count) {
            const Bytes key = random_bytes(16);
            // One spare block past the end must stay untouched.
            const Bytes plain = random_bytes(8 * count + 8);
            Bytes reference = plain, work = plain;
            for (size_t i = 0; i < count; ++i) TeaEncryptBlock(reference.data() + 8 * i, key.data());
            TeaEncryptBlocks(work.data(), count, key.data(), path);
            ASSERT_EQ(work, reference) << count << " blocks enciphered";
            TeaDecryptBlocks(work.data(), count, key.data(), path);
            ASSERT_EQ(work, plain) << count << " blocks deciphered";
            // Deciphering what was never enciphered must match as well.
            reference = plain;
            for (size_t i = 0; i < count; ++i) TeaDecryptBlock(reference.data() + 8 * i, key.data());
            TeaDecryptBlocks(work.data(), count, key.data(), path);
            ASSERT_EQ(work, reference) << count << " blocks deciphered from plain";
        }
        // Not on an 8-byte boundary: the blocks may lie anywhere in memory.
        const Bytes key = random_bytes(16);
        const Bytes plain = random_bytes(8 * 21 + 3);
        Bytes reference = plain, work = plain;
        for (size_t i = 0; i < 21; ++i) TeaEncryptBlock(reference.data() + 3 + 8 * i, key.data());
        TeaEncryptBlocks(work.data() + 3, 21, key.data(), path);
        EXPECT_EQ(work, reference) << "unaligned";
    }
    EXPECT_TRUE(TeaPathAvailable(TeaBestPath()));
}

TEST(TeaStream, PadsWithZerosAndAppendsThePlainLength) {
    const uint8_t zero_key[16] = {};
    // One zero byte is padded to the all-zero block, so its cipher text is
    // the known answer followed by the length 1.
    Bytes one = {0x00};
    TeaEncryptStream(one, zero_key);
    EXPECT_EQ(one, (Bytes{0x0A, 0x3A, 0xEA, 0x41, 0x40, 0xA9, 0xBA, 0x94, 0x01, 0x00, 0x00, 0x00}));
    TeaDecryptStream(one, zero_key);
    EXPECT_EQ(one, Bytes{0x00});

    Bytes empty;
    TeaEncryptStream(empty, zero_key);
    EXPECT_EQ(empty, (Bytes{0x00, 0x00, 0x00, 0x00}));
}

TEST(TEncrypt, EnciphersToWholeBlocksPlusTheLengthAndBack) {
    struct Case {
        size_t plain, sealed;
    };
    const Case cases[] = {{0, 4}, {1, 12}, {7, 12}, {8, 12}, {9, 20}, {16, 20}, {17, 28}, {65535, 65540}};
    TEncrypt cipher;
    for (const Case& c : cases) {
        const Bytes plain = Counting(c.plain);
        Bytes buf = plain;
        EXPECT_EQ(cipher.Encrypt(buf), static_cast<int32_t>(c.sealed)) << c.plain;
        ASSERT_EQ(buf.size(), c.sealed);
        const size_t tail = c.sealed - 4;
        EXPECT_EQ(buf[tail] | buf[tail + 1] << 8 | buf[tail + 2] << 16 | buf[tail + 3] << 24, static_cast<int>(c.plain));
        if (c.plain >= 8) {
            EXPECT_NE(Bytes(buf.begin(), buf.begin() + 8), Bytes(plain.begin(), plain.begin() + 8));
        }
        EXPECT_EQ(cipher.Decrypt(buf), static_cast<int32_t>(c.plain));
        EXPECT_EQ(buf, plain) << c.plain;
    }
}

TEST(TEncrypt, UsesTheFirstSixteenBytesOfTheFixedKey) {
    Bytes viaObject = Counting(24);
    TEncrypt().Encrypt(viaObject);
    Bytes viaStream = Counting(24);
    TeaEncryptStream(viaStream, reinterpret_cast<const uint8_t*>("Kv8*tPq2#mZr5&wXXXXXXXXXXXXXXXXX"));
    EXPECT_EQ(viaObject, viaStream);
}

TEST(TEncrypt, RejectsBuffersThatCannotHoldAPlaintext) {
    struct Case {
        const char* what;
        Bytes data;
    };
    const Case cases[] = {
        {"13 bytes: blocks not whole", Counting(13)},
        {"nothing at all", {}},
        {"3 bytes: no room for the length", {1, 2, 3}},
        {"negative trailing length", {1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"length one beyond the blocks", {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}},
        {"length without blocks", {1, 0, 0, 0}},
        {"huge length", {1, 2, 3, 4, 5, 6, 7, 8, 0x00, 0x00, 0x00, 0x7F}},
    };
    TEncrypt cipher;
    for (const Case& c : cases) {
        Bytes buf = c.data;
        try {
            cipher.Decrypt(buf);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const EEncryptError& e) {
            EXPECT_STREQ(e.what(), "Invalid data size!") << c.what;
        }
        EXPECT_EQ(buf, c.data) << c.what << ": buffer changed";
    }
}

TEST(TEncrypt, SharedByThreeThreadsGivesTheBytesOfOneThread) {
    // Messages of many sizes, enciphered and deciphered one after the other
    // by one thread, give the reference bytes.
    std::vector<Bytes> plains;
    for (size_t n = 0; n < 300; ++n)
        plains.push_back(Counting(n, static_cast<uint8_t>(n)));
    TEncrypt cipher;
    std::vector<Bytes> reference;
    for (const Bytes& p : plains) {
        Bytes b = p;
        cipher.Encrypt(b);
        reference.push_back(b);
    }

    // Three threads (two receivers deciphering, one sender enciphering)
    // share the same cipher at the same time.
    std::array<bool, 3> ok = {true, true, true};
    auto sender = [&](bool& good) {
        for (int round = 0; round < 10; ++round)
            for (size_t i = 0; i < plains.size(); ++i) {
                Bytes b = plains[i];
                cipher.Encrypt(b);
                if (b != reference[i])
                    good = false;
            }
    };
    auto receiver = [&](bool& good) {
        for (int round = 0; round < 10; ++round)
            for (size_t i = 0; i < plains.size(); ++i) {
                Bytes b = reference[i];
                cipher.Decrypt(b);
                if (b != plains[i])
                    good = false;
            }
    };
    std::thread t1(sender, std::ref(ok[0])), t2(receiver, std::ref(ok[1])), t3(receiver, std::ref(ok[2]));
    t1.join();
    t2.join();
    t3.join();
    EXPECT_TRUE(ok[0]);
    EXPECT_TRUE(ok[1]);
    EXPECT_TRUE(ok[2]);
}

TEST(GlobalEncrypt, LivesBetweenCreateAndFree) {
    FreeGlobalEncrypt();
    EXPECT_EQ(GlobalEncrypt, nullptr);
    CreateGlobalEncrypt();
    TEncrypt* first = GlobalEncrypt;
    ASSERT_NE(first, nullptr);
    CreateGlobalEncrypt();
    EXPECT_EQ(GlobalEncrypt, first);
    Bytes a = Counting(10), b = Counting(10);
    GlobalEncrypt->Encrypt(a);
    TEncrypt().Encrypt(b);
    EXPECT_EQ(a, b);
    FreeGlobalEncrypt();
    EXPECT_EQ(GlobalEncrypt, nullptr);
}
