#pragma once
// The codec behind the stream's format tag 0401h: Opus at 16 kHz mono,
// hard CBR at the stream's bit rate, one packet per block of a chunk, so
// every packet has exactly the stream's bytes per block (400 for 100 ms at
// 32 kbit/s). Encoder and decoder are each used from one thread at a time.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/AudioFormat.h"

struct OpusEncoder;
struct OpusDecoder;

namespace kel {

class TOpusEncoder {
public:
    TOpusEncoder() = default;
    ~TOpusEncoder();
    TOpusEncoder(const TOpusEncoder&) = delete;
    TOpusEncoder& operator=(const TOpusEncoder&) = delete;

    // False, with LastError, when libopus refuses the format.
    bool Open(const TStreamFormat& format);
    void Close();
    bool IsOpen() const { return enc_ != nullptr; }

    // Encodes one block of exactly frames_per_block 16-bit samples into a
    // packet of exactly packet_bytes; an empty vector when closed or when
    // the block has another length.
    std::vector<uint8_t> Encode(std::span<const int16_t> pcm);
    const std::string& LastError() const { return error_; }

private:
    OpusEncoder* enc_ = nullptr;
    TStreamFormat format_;
    std::string error_;
};

class TOpusDecoder {
public:
    TOpusDecoder() = default;
    ~TOpusDecoder();
    TOpusDecoder(const TOpusDecoder&) = delete;
    TOpusDecoder& operator=(const TOpusDecoder&) = delete;

    bool Open(const TStreamFormat& format);
    void Close();
    bool IsOpen() const { return dec_ != nullptr; }

    // Decodes one packet into one block of frames_per_block samples. A
    // packet the decoder cannot take (garbage, cut, or of another block
    // length) is treated as lost, so the block is always whole and the
    // play-out keeps its pace. Empty only when closed.
    std::vector<int16_t> Decode(std::span<const uint8_t> packet);
    // One block of loss concealment for a packet that never came.
    std::vector<int16_t> Conceal();

private:
    OpusDecoder* dec_ = nullptr;
    TStreamFormat format_;
};

} // namespace kel
