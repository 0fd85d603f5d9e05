#include "media/OpusCodec.h"

#include <opus.h>

namespace kel {

TOpusEncoder::~TOpusEncoder() { Close(); }

bool TOpusEncoder::Open(const TStreamFormat& format)
{
    Close();
    int err = OPUS_OK;
    OpusEncoder* enc = opus_encoder_create(static_cast<opus_int32>(format.pcm.rate), format.pcm.channels,
                                           OPUS_APPLICATION_VOIP, &err);
    if (!enc || err != OPUS_OK) {
        error_ = std::string("opus encoder: ") + opus_strerror(err);
        return false;
    }
    opus_encoder_ctl(enc, OPUS_SET_BITRATE(static_cast<opus_int32>(format.bitrate)));
    opus_encoder_ctl(enc, OPUS_SET_VBR(0));
    opus_encoder_ctl(enc, OPUS_SET_EXPERT_FRAME_DURATION(OPUS_FRAMESIZE_ARG));
    enc_ = enc;
    format_ = format;
    error_.clear();
    return true;
}

void TOpusEncoder::Close()
{
    if (enc_) opus_encoder_destroy(enc_);
    enc_ = nullptr;
}

std::vector<uint8_t> TOpusEncoder::Encode(std::span<const int16_t> pcm)
{
    if (!enc_ || pcm.size() != size_t{format_.frames_per_block} * format_.pcm.channels) return {};
    std::vector<uint8_t> packet(format_.packet_bytes);
    opus_int32 n = opus_encode(enc_, pcm.data(), static_cast<int>(format_.frames_per_block), packet.data(),
                               static_cast<opus_int32>(packet.size()));
    if (n < 0) {
        error_ = std::string("opus encode: ") + opus_strerror(n);
        return {};
    }
    // Hard CBR gives the full size already; padding (which decoders skip)
    // keeps the stream's bytes per chunk exact should a block come out short.
    if (static_cast<size_t>(n) < packet.size() &&
        opus_packet_pad(packet.data(), n, static_cast<opus_int32>(packet.size())) != OPUS_OK) {
        error_ = "opus encode: packet cannot be padded";
        return {};
    }
    return packet;
}

TOpusDecoder::~TOpusDecoder() { Close(); }

bool TOpusDecoder::Open(const TStreamFormat& format)
{
    Close();
    int err = OPUS_OK;
    OpusDecoder* dec = opus_decoder_create(static_cast<opus_int32>(format.pcm.rate), format.pcm.channels, &err);
    if (!dec || err != OPUS_OK) return false;
    dec_ = dec;
    format_ = format;
    return true;
}

void TOpusDecoder::Close()
{
    if (dec_) opus_decoder_destroy(dec_);
    dec_ = nullptr;
}

std::vector<int16_t> TOpusDecoder::Decode(std::span<const uint8_t> packet)
{
    if (!dec_) return {};
    const int frames = static_cast<int>(format_.frames_per_block);
    if (packet.empty() || opus_packet_get_nb_samples(packet.data(), static_cast<opus_int32>(packet.size()),
                                                     static_cast<opus_int32>(format_.pcm.rate)) != frames)
        return Conceal();
    std::vector<int16_t> pcm(size_t{format_.frames_per_block} * format_.pcm.channels);
    int n = opus_decode(dec_, packet.data(), static_cast<opus_int32>(packet.size()), pcm.data(), frames, 0);
    if (n != frames) return Conceal();
    return pcm;
}

std::vector<int16_t> TOpusDecoder::Conceal()
{
    if (!dec_) return {};
    const int frames = static_cast<int>(format_.frames_per_block);
    std::vector<int16_t> pcm(size_t{format_.frames_per_block} * format_.pcm.channels);
    int n = opus_decode(dec_, nullptr, 0, pcm.data(), frames, 0);
    if (n != frames) std::fill(pcm.begin(), pcm.end(), int16_t{0});
    return pcm;
}

} // namespace kel
