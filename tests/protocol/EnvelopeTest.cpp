#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/Envelope.h"

using namespace kel;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Plain(int32_t signature, int32_t code, size_t body = 6) {
    WireWriter w;
    w.I32(signature).I32(code);
    for (size_t i = 0; i < body; ++i)
        w.U8(static_cast<uint8_t>(0xA0 + i));
    return w.Take();
}

// A sealed buffer that bypasses SealMessage, so the checks of OpenMessage
// are tested against the cipher alone.
Bytes Sealed(TEncrypt& cipher, Bytes plain) {
    cipher.Encrypt(plain);
    return plain;
}

} // namespace

TEST(Envelope, SealedMessageOpensToTheSamePlaintext) {
    TEncrypt cipher;
    const Bytes plain = Plain(cmd::kMessageSignature, cmd::kChat, 40);
    const Bytes sealed = SealMessage(cipher, plain.data(), plain.size());
    EXPECT_EQ(sealed.size(), 48u + 4u);
    const auto opened = OpenMessage(cipher, sealed.data(), sealed.size());
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(*opened, plain);
    EXPECT_EQ(MessageCode(*opened), cmd::kChat);
}

TEST(Envelope, KeepsOnlySignedMessagesWithACodeInRange) {
    struct Case {
        int32_t signature, code;
        bool kept;
    };
    const Case cases[] = {
        {cmd::kMessageSignature, 0, true},       {cmd::kMessageSignature, 99999, true},
        {cmd::kMessageSignature, 100000, false}, {cmd::kMessageSignature, -1, false},
        {cmd::kMessageSignature + 1, 9013, false}, {0, 9013, false},
    };
    TEncrypt cipher;
    for (const Case& c : cases) {
        const Bytes sealed = Sealed(cipher, Plain(c.signature, c.code));
        EXPECT_EQ(OpenMessage(cipher, sealed.data(), sealed.size()).has_value(), c.kept)
            << c.signature << " / " << c.code;
    }
}

TEST(Envelope, DropsPlaintextsTooShortForSignatureAndCode) {
    TEncrypt cipher;
    const Bytes full = Plain(cmd::kMessageSignature, 0, 0);
    for (size_t n = 0; n < 8; ++n) {
        const Bytes sealed = Sealed(cipher, Bytes(full.begin(), full.begin() + static_cast<long>(n)));
        EXPECT_FALSE(OpenMessage(cipher, sealed.data(), sealed.size()).has_value()) << n;
    }
    const Bytes sealed = Sealed(cipher, full);
    EXPECT_TRUE(OpenMessage(cipher, sealed.data(), sealed.size()).has_value());
}

TEST(Envelope, UndecipherableInputIsDroppedWithoutThrowing) {
    TEncrypt cipher;
    const Bytes cases[] = {
        {},
        {1, 2, 3},
        Bytes(13, 0x55),
        {1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 0xFF, 0xFF, 0xFF},
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
    };
    for (const Bytes& c : cases)
        EXPECT_FALSE(OpenMessage(cipher, c.data(), c.size()).has_value()) << c.size();
}

TEST(Envelope, RandomInputNeverEscapesItsBuffersAndOnlyCheckedMessagesOpen) {
    TEncrypt cipher;
    std::mt19937 gen(824156);
    size_t opened = 0;
    for (int i = 0; i < 20000; ++i) {
        // Mostly whole blocks plus a length field, with a trailing length
        // that is often near the real size, sometimes anything at all.
        const size_t blocks = gen() % 6;
        Bytes data(i % 5 == 0 ? gen() % 40 : blocks * 8 + 4);
        for (uint8_t& b : data)
            b = static_cast<uint8_t>(gen());
        if (data.size() >= 4 && i % 5 != 0) {
            const int32_t n = static_cast<int32_t>(blocks * 8) - static_cast<int32_t>(gen() % 10);
            for (int k = 0; k < 4; ++k)
                data[data.size() - 4 + static_cast<size_t>(k)] = static_cast<uint8_t>(static_cast<uint32_t>(n) >> (8 * k));
        }
        // Every tenth message is a real one, so the accepting path runs too.
        if (i % 10 == 1) {
            Bytes plain = Plain(cmd::kMessageSignature, static_cast<int32_t>(gen() % 100000), gen() % 30);
            data = Sealed(cipher, plain);
        }
        const auto got = OpenMessage(cipher, data.data(), data.size());
        if (!got)
            continue;
        ++opened;
        ASSERT_GE(got->size(), 8u);
        ASSERT_LE(got->size() + 4, data.size());
        EXPECT_EQ((*got)[0] | (*got)[1] << 8 | (*got)[2] << 16 | (*got)[3] << 24, cmd::kMessageSignature);
        EXPECT_TRUE(MessageCode(*got) >= 0 && MessageCode(*got) < kCommandCodeLimit);
    }
    EXPECT_GE(opened, 2000u);
}
