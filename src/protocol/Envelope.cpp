#include "protocol/Envelope.h"

#include "foundation/WireReader.h"
#include "protocol/Commands.h"
#include "protocol/LayoutSupport.h"

namespace kel {

std::vector<uint8_t> SealMessage(TEncrypt& cipher, const uint8_t* plain, size_t len) {
    std::vector<uint8_t> buf(plain, plain + len);
    cipher.Encrypt(buf);
    return buf;
}

std::optional<std::vector<uint8_t>> OpenMessage(TEncrypt& cipher, const uint8_t* data, size_t len) {
    try {
        std::vector<uint8_t> buf(data, data + len);
        cipher.Decrypt(buf);
        // The signature and the code must both be there before either is read.
        if (buf.size() < kEnvelopeHead)
            return std::nullopt;
        WireReader r(buf.data(), buf.size());
        const int32_t signature = r.I32();
        const int32_t code = r.I32();
        if (signature != cmd::kMessageSignature || code < 0 || code >= kCommandCodeLimit)
            return std::nullopt;
        return buf;
    } catch (...) {
        // Undecipherable input (and allocation failure) drops the message.
        return std::nullopt;
    }
}

int32_t MessageCode(const std::vector<uint8_t>& plain) { return MessageCode(plain.data(), plain.size()); }

} // namespace kel
