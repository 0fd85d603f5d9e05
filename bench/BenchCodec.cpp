#include "BenchCodec.h"

#include "foundation/WireWriter.h"

namespace kel::bench {

struct MessageCodec::Cipher {};

MessageCodec::MessageCodec(bool plain) : plain_(plain) {}
MessageCodec::~MessageCodec() { delete cipher_; }

std::vector<uint8_t> MessageCodec::Seal(const uint8_t* plain, size_t len) {
    return std::vector<uint8_t>(plain, plain + len);
}

std::optional<std::vector<uint8_t>> MessageCodec::Open(const uint8_t* data, size_t len) {
    return std::vector<uint8_t>(data, data + len);
}

size_t MessageCodec::LargestPlain(size_t sealed_limit) const { return sealed_limit; }

std::vector<uint8_t> BenchMessage(size_t len, uint32_t seq) {
    WireWriter w(len);
    w.I32(824156).I32(10021).U32(seq);
    for (size_t i = w.Size(); i < len; ++i) w.U8(static_cast<uint8_t>(i * 7 + seq));
    auto v = w.Take();
    v.resize(len);
    return v;
}

} // namespace kel::bench
