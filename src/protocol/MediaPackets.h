#pragma once
// The media transport's datagrams: the numbered data packet, the resend
// request, and the plain control messages by which senders and viewers
// register with the media relay and viewers subscribe to a stream. All
// integers little-endian; IPv4 addresses in network byte order as the socket
// reports them; ports in host order.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kel {

constexpr uint32_t kMediaDataMarker = 0xF1234567u;
constexpr uint32_t kMediaResendMarker = 0xF7654321u;
constexpr size_t kMediaDataHeaderBytes = 11;
// A ring slot holds 2048 bytes, so a payload is at most 2048 - 11 bytes.
constexpr size_t kMediaMaxPayload = 2037;
constexpr size_t kMediaResendBytes = 9;
constexpr uint8_t kMediaChannelVideo = 1;
constexpr uint8_t kMediaChannelAudio = 2;
constexpr uint8_t kMediaChannelCount = 32;

constexpr int32_t kMediaSendRegister = 3000;
constexpr int32_t kMediaSendRegisterAnswer = 3001;
constexpr int32_t kMediaViewRegister = 1501;
constexpr int32_t kMediaViewRegisterAnswer = 1502;
constexpr int32_t kMediaSubscribe = 1001;
constexpr int32_t kMediaUnsubscribe = 1002;

constexpr size_t kMediaRegisterBytes = 33;
constexpr size_t kMediaSendAnswerBytes = 13;
constexpr size_t kMediaViewAnswerBytes = 218;
constexpr size_t kMediaSubscribeBytes = 12;
constexpr size_t kMediaUnsubscribeBytes = 8;
constexpr size_t kMediaTicketTextMax = 20;
constexpr size_t kMediaAnswerTextBytes = 200;

inline bool MediaChannelValid(uint8_t c) { return c >= 1 && c <= kMediaChannelCount; }

struct MediaDataView {
    uint32_t sequence = 0;
    uint8_t channel = 0;
    std::span<const uint8_t> payload;
};

// Writes a data packet into `out` (at least payload + 11 bytes); returns the
// packet's length, or 0 when the payload is too long or the channel invalid.
size_t WriteMediaData(std::span<uint8_t> out, uint32_t sequence, uint8_t channel,
                      std::span<const uint8_t> payload);
std::vector<uint8_t> MediaDataPacket(uint32_t sequence, uint8_t channel, std::span<const uint8_t> payload);
// A data packet only when the marker matches and the length field accounts
// for exactly the bytes received; the channel is not checked here.
std::optional<MediaDataView> ReadMediaData(std::span<const uint8_t> bytes);

struct MediaResend {
    uint32_t sequence = 0;
    uint8_t channel = 0;
    bool operator==(const MediaResend&) const = default;
};
std::vector<uint8_t> WriteMediaResend(const MediaResend& r);
std::optional<MediaResend> ReadMediaResend(std::span<const uint8_t> bytes);

// SendRegister (3000) and ViewRegister (1501) share one layout: the
// scrambled ticket text as a short string in 21 bytes, the user number
// (own for a sender, watched for a viewer) and a reserved word.
struct MediaRegister {
    int32_t code = 0;
    std::string ticket_text;  // already scrambled, at most 20 characters
    int32_t user = 0;
    int32_t reserved = 0;
    bool operator==(const MediaRegister&) const = default;
};
std::vector<uint8_t> WriteMediaRegister(const MediaRegister& r);
std::optional<MediaRegister> ReadMediaRegister(std::span<const uint8_t> bytes);
// The ticket's decimal text scrambled and cut to 20 characters.
std::string MediaTicketText(int32_t ticket);

struct MediaSendAnswer {
    uint8_t result = 0;  // 0 accepted
    int32_t user = 0;
    bool operator==(const MediaSendAnswer&) const = default;
};
std::vector<uint8_t> WriteMediaSendAnswer(const MediaSendAnswer& a);
std::optional<MediaSendAnswer> ReadMediaSendAnswer(std::span<const uint8_t> bytes);

struct MediaViewAnswer {
    uint32_t ip = 0;  // network order; 0 = refused
    uint16_t port = 0;
    std::string text;
    bool operator==(const MediaViewAnswer&) const = default;
};
std::vector<uint8_t> WriteMediaViewAnswer(const MediaViewAnswer& a);
std::optional<MediaViewAnswer> ReadMediaViewAnswer(std::span<const uint8_t> bytes);

struct MediaSubscribe {
    int32_t user = 0;
    uint32_t mask = 0;
    bool operator==(const MediaSubscribe&) const = default;
};
std::vector<uint8_t> WriteMediaSubscribe(const MediaSubscribe& s);
std::optional<MediaSubscribe> ReadMediaSubscribe(std::span<const uint8_t> bytes);
std::vector<uint8_t> WriteMediaUnsubscribe(int32_t user);
std::optional<int32_t> ReadMediaUnsubscribe(std::span<const uint8_t> bytes);

}  // namespace kel
