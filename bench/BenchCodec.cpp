#include "BenchCodec.h"

#include "foundation/WireWriter.h"
#include "protocol/Commands.h"
#include "protocol/Envelope.h"

namespace kel::bench {

std::vector<uint8_t> MessageCodec::Seal(const uint8_t* plain, size_t len) {
    if (plain_) return std::vector<uint8_t>(plain, plain + len);
    return SealMessage(cipher_, plain, len);
}

std::optional<std::vector<uint8_t>> MessageCodec::Open(const uint8_t* data, size_t len) {
    if (plain_) return std::vector<uint8_t>(data, data + len);
    return OpenMessage(cipher_, data, len);
}

size_t MessageCodec::LargestPlain(size_t sealed_limit) const {
    if (plain_) return sealed_limit;
    // Sealed: the plaintext rounded up to whole 8-byte blocks, plus 4.
    return sealed_limit < 4 ? 0 : (sealed_limit - 4) / 8 * 8;
}

std::vector<uint8_t> BenchMessage(size_t len, uint32_t seq) {
    WireWriter w(len);
    w.I32(cmd::kMessageSignature).I32(cmd::kKeepAlive).U32(seq);
    for (size_t i = w.Size(); i < len; ++i) w.U8(static_cast<uint8_t>(i * 7 + seq));
    auto v = w.Take();
    v.resize(len);
    return v;
}

} // namespace kel::bench
