#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/TextCipher.h"

using namespace kel;

namespace {

std::string Hex(const std::string& bytes)
{
    static const char d[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += d[c >> 4];
        out += d[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

} // namespace

// Ciphertexts made by the openssl command line (fixtures/make_ciphertexts.sh).
TEST(TextCipher, DecipheresTextsMadeByAnIndependentTool) {
    std::ifstream in(KEL_CONFIG_FIXTURES "/ciphertexts.txt");
    ASSERT_TRUE(in) << "fixture missing";
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string key, plain, hex;
        std::getline(fields, key, '\t');
        std::getline(fields, plain, '\t');
        std::getline(fields, hex, '\t');
        SCOPED_TRACE(key + " / " + plain);
        std::string out = DecryptString(hex, key);
        EXPECT_EQ(out.size(), hex.size() / 2 - 8);  // every byte of the blocks, zeros included
        EXPECT_EQ(UpToFirstZero(out), plain);
        // Lower-case digits read alike.
        std::string lower = hex;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(DecryptString(lower, key), out);
        // Our own enciphering gives the tool's bytes.
        EXPECT_EQ(EncryptString(plain, key), hex);
        ++cases;
    }
    EXPECT_EQ(cases, 7);
}

TEST(TextCipher, Fips197Vectors) {
    struct Case {
        const char* key;
        const char* plain;
        const char* cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(DecryptString(std::string("1000000000000000") + c.cipher, Unhex(c.key))), c.plain);
    }
}

TEST(TextCipher, MalformedInputFailsWithTheSystemMessage) {
    const std::string block = "E267879518A6187F40A25C1E76E470AB";
    const char* bad[] = {
        "",                    // no length bytes
        "00000000000000",      // 7 bytes
        "0900000000000000E2",  // not whole blocks
        "0900000000000000E267879518A6187F40A25C1E76E470AB0",  // a lone trailing digit makes 25 bytes
        "09000000000000zz",    // not hexadecimal
        " 0900000000000000",   // a blank is not a digit either
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        try {
            DecryptString(text, kServerListKey);
            ADD_FAILURE() << "accepted";
        } catch (const EDecryptError& e) {
            EXPECT_STREQ(e.what(), "Invalid buffer size for decryption");
        }
    }
    // A single trailing digit counts as one byte: 7 length bytes + "0" are 8.
    EXPECT_EQ(DecryptString("000000000000000", kServerListKey), "");
    EXPECT_EQ(UpToFirstZero(DecryptString("0900000000000000" + block, kServerListKey)), "127.0.0.1");
}
