#pragma once
// How the bench wraps its messages: in the message envelope (enciphered,
// as the client sends them) or plain.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kel::bench {

class MessageCodec {
public:
    explicit MessageCodec(bool plain);
    ~MessageCodec();
    MessageCodec(const MessageCodec&) = delete;
    MessageCodec& operator=(const MessageCodec&) = delete;

    bool Plain() const { return plain_; }
    std::vector<uint8_t> Seal(const uint8_t* plain, size_t len);
    // The plaintext, or nothing when the bytes are not a valid message.
    std::optional<std::vector<uint8_t>> Open(const uint8_t* data, size_t len);
    // The largest plaintext whose sealed form still fits one chunk / one message.
    size_t LargestPlain(size_t sealed_limit) const;

private:
    bool plain_;
    struct Cipher;
    Cipher* cipher_ = nullptr;
};

// A plaintext of `len` bytes (at least 8) that passes the receive checks:
// the message signature, a command code, then filler.
std::vector<uint8_t> BenchMessage(size_t len, uint32_t seq);

} // namespace kel::bench
