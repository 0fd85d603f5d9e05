#pragma once
// How the bench wraps its messages: in the message envelope (enciphered and
// checked, as the client sends and receives them) or plain.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/Encrypt.h"

namespace kel::bench {

class MessageCodec {
public:
    explicit MessageCodec(bool plain) : plain_(plain) {}

    bool Plain() const { return plain_; }
    std::vector<uint8_t> Seal(const uint8_t* plain, size_t len);
    // The plaintext, or nothing when the bytes are not a valid message.
    std::optional<std::vector<uint8_t>> Open(const uint8_t* data, size_t len);
    // The largest plaintext whose sealed form is at most `sealed_limit` bytes.
    size_t LargestPlain(size_t sealed_limit) const;

private:
    bool plain_;
    TEncrypt cipher_;
};

// A plaintext of `len` bytes (at least 12) that passes the receive checks:
// the message signature, a command code, a sequence number, then filler.
std::vector<uint8_t> BenchMessage(size_t len, uint32_t seq);

} // namespace kel::bench
