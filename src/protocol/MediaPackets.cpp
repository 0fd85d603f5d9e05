#include "protocol/MediaPackets.h"

#include <cstring>

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"
#include "foundation/kelUtils.h"

namespace kel {

size_t WriteMediaData(std::span<uint8_t> out, uint32_t sequence, uint8_t channel,
                      std::span<const uint8_t> payload) {
    if (!MediaChannelValid(channel) || payload.size() > kMediaMaxPayload) return 0;
    const size_t len = payload.size() + kMediaDataHeaderBytes;
    if (out.size() < len) return 0;
    uint8_t* p = out.data();
    const uint32_t marker = kMediaDataMarker;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(marker >> (8 * i));
    for (int i = 0; i < 4; ++i) p[4 + i] = static_cast<uint8_t>(sequence >> (8 * i));
    p[8] = static_cast<uint8_t>(payload.size());
    p[9] = static_cast<uint8_t>(payload.size() >> 8);
    p[10] = channel;
    if (!payload.empty()) std::memcpy(p + kMediaDataHeaderBytes, payload.data(), payload.size());
    return len;
}

std::vector<uint8_t> MediaDataPacket(uint32_t sequence, uint8_t channel, std::span<const uint8_t> payload) {
    std::vector<uint8_t> out(payload.size() + kMediaDataHeaderBytes);
    out.resize(WriteMediaData(out, sequence, channel, payload));
    return out;
}

std::optional<MediaDataView> ReadMediaData(std::span<const uint8_t> bytes) {
    WireReader r(bytes);
    if (bytes.size() < kMediaDataHeaderBytes || r.U32() != kMediaDataMarker) return std::nullopt;
    MediaDataView v;
    v.sequence = r.U32();
    const uint16_t len = r.U16();
    v.channel = r.U8();
    if (!r.Ok() || len > kMediaMaxPayload || r.Remaining() != len) return std::nullopt;
    v.payload = r.Bytes(len);
    if (!r.Ok()) return std::nullopt;
    return v;
}

std::vector<uint8_t> WriteMediaResend(const MediaResend& m) {
    WireWriter w(kMediaResendBytes);
    w.U32(kMediaResendMarker).U32(m.sequence).U8(m.channel);
    return w.Take();
}

std::optional<MediaResend> ReadMediaResend(std::span<const uint8_t> bytes) {
    if (bytes.size() != kMediaResendBytes) return std::nullopt;
    WireReader r(bytes);
    if (r.U32() != kMediaResendMarker) return std::nullopt;
    MediaResend m;
    m.sequence = r.U32();
    m.channel = r.U8();
    if (!r.Ok()) return std::nullopt;
    return m;
}

std::string MediaTicketText(int32_t ticket) {
    std::string s = ScrambleText(std::to_string(ticket));
    if (s.size() > kMediaTicketTextMax) s.resize(kMediaTicketTextMax);
    return s;
}

std::vector<uint8_t> WriteMediaRegister(const MediaRegister& m) {
    std::string text = m.ticket_text.substr(0, kMediaTicketTextMax);
    WireWriter w(kMediaRegisterBytes);
    w.I32(m.code).U8(static_cast<uint8_t>(text.size())).Bytes(text.data(), text.size());
    w.Zeros(kMediaTicketTextMax - text.size());
    w.I32(m.user).I32(m.reserved);
    return w.Take();
}

std::optional<MediaRegister> ReadMediaRegister(std::span<const uint8_t> bytes) {
    if (bytes.size() != kMediaRegisterBytes) return std::nullopt;
    WireReader r(bytes);
    MediaRegister m;
    m.code = r.I32();
    const uint8_t n = r.U8();
    if (n > kMediaTicketTextMax) return std::nullopt;
    auto text = r.Bytes(n);
    m.ticket_text.assign(text.begin(), text.end());
    r.Seek(25);
    m.user = r.I32();
    m.reserved = r.I32();
    if (!r.Ok()) return std::nullopt;
    return m;
}

std::vector<uint8_t> WriteMediaSendAnswer(const MediaSendAnswer& a) {
    WireWriter w(kMediaSendAnswerBytes);
    w.I32(kMediaSendRegisterAnswer).U8(a.result).I32(a.user).I32(0);
    return w.Take();
}

std::optional<MediaSendAnswer> ReadMediaSendAnswer(std::span<const uint8_t> bytes) {
    if (bytes.size() != kMediaSendAnswerBytes) return std::nullopt;
    WireReader r(bytes);
    if (r.I32() != kMediaSendRegisterAnswer) return std::nullopt;
    MediaSendAnswer a;
    a.result = r.U8();
    a.user = r.I32();
    if (!r.Ok()) return std::nullopt;
    return a;
}

std::vector<uint8_t> WriteMediaViewAnswer(const MediaViewAnswer& a) {
    // The text stays zero-terminated inside its 200 bytes.
    std::string text = a.text.substr(0, kMediaAnswerTextBytes - 1);
    WireWriter w(kMediaViewAnswerBytes);
    w.I32(kMediaViewRegisterAnswer).Zeros(8);
    w.Bytes(&a.ip, 4).U16(a.port);
    w.Bytes(text.data(), text.size()).Zeros(kMediaAnswerTextBytes - text.size());
    return w.Take();
}

std::optional<MediaViewAnswer> ReadMediaViewAnswer(std::span<const uint8_t> bytes) {
    if (bytes.size() != kMediaViewAnswerBytes) return std::nullopt;
    WireReader r(bytes);
    if (r.I32() != kMediaViewRegisterAnswer) return std::nullopt;
    r.Skip(8);
    MediaViewAnswer a;
    auto ip = r.Bytes(4);
    if (ip.size() == 4) std::memcpy(&a.ip, ip.data(), 4);
    a.port = r.U16();
    auto text = r.Bytes(kMediaAnswerTextBytes);
    if (!r.Ok()) return std::nullopt;
    // Read only up to the terminator, never past the 200 bytes.
    size_t n = 0;
    while (n < text.size() && text[n] != 0) ++n;
    a.text.assign(text.begin(), text.begin() + n);
    return a;
}

std::vector<uint8_t> WriteMediaSubscribe(const MediaSubscribe& s) {
    WireWriter w(kMediaSubscribeBytes);
    w.I32(kMediaSubscribe).I32(s.user).U32(s.mask);
    return w.Take();
}

std::optional<MediaSubscribe> ReadMediaSubscribe(std::span<const uint8_t> bytes) {
    if (bytes.size() != kMediaSubscribeBytes) return std::nullopt;
    WireReader r(bytes);
    if (r.I32() != kMediaSubscribe) return std::nullopt;
    MediaSubscribe s;
    s.user = r.I32();
    s.mask = r.U32();
    if (!r.Ok()) return std::nullopt;
    return s;
}

std::vector<uint8_t> WriteMediaUnsubscribe(int32_t user) {
    WireWriter w(kMediaUnsubscribeBytes);
    w.I32(kMediaUnsubscribe).I32(user);
    return w.Take();
}

std::optional<int32_t> ReadMediaUnsubscribe(std::span<const uint8_t> bytes) {
    if (bytes.size() != kMediaUnsubscribeBytes) return std::nullopt;
    WireReader r(bytes);
    if (r.I32() != kMediaUnsubscribe) return std::nullopt;
    const int32_t user = r.I32();
    if (!r.Ok()) return std::nullopt;
    return user;
}

}  // namespace kel
