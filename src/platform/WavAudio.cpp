#include "platform/WavAudio.h"

#include <algorithm>

#include "platform/PcmConvert.h"

namespace kel {
namespace {

std::string BaseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

TWavCapture::TWavCapture(std::string path) : path_(std::move(path)) {}

void TWavCapture::SetError(std::string e)
{
    std::lock_guard<std::mutex> guard(error_lock_);
    error_ = std::move(e);
}

std::string TWavCapture::LastError() const
{
    std::lock_guard<std::mutex> guard(error_lock_);
    return error_;
}

bool TWavCapture::Load()
{
    if (loaded_) return true;
    std::string error;
    TWavData wav;
    if (!ReadWav(path_, wav, error)) {
        SetError(error);
        return false;
    }
    if (wav.pcm.empty()) {
        SetError(path_ + " holds no samples");
        return false;
    }
    wav_ = std::move(wav);
    loaded_ = true;
    return true;
}

std::vector<std::string> TWavCapture::Devices()
{
    if (!Load()) return {};
    return {"WAV file " + BaseName(path_)};
}

bool TWavCapture::Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block)
{
    Close();
    if (!Load()) return false;
    if (index != 0) {
        SetError("no recording device " + std::to_string(index));
        return false;
    }
    if (!format.Valid() || !on_block) {
        SetError("unsupported PCM format");
        return false;
    }
    std::vector<uint8_t> pcm = wav_.format == format ? wav_.pcm : ConvertPcm(wav_.format, wav_.pcm.data(), wav_.pcm.size(), format);
    if (pcm.empty()) {
        SetError(path_ + " is too short for " + std::to_string(format.rate) + " Hz");
        return false;
    }
    SetError({});
    const size_t frame = format.BytesPerFrame();
    const size_t block = std::max(frame, block_bytes - block_bytes % frame);
    const auto period = std::chrono::microseconds(static_cast<int64_t>(block / frame) * 1000000 / format.rate);
    thread_.Start(period, [pcm = std::move(pcm), block, on_block = std::move(on_block), pos = size_t{0},
                           out = std::vector<uint8_t>(block)]() mutable {
        // The file plays in a loop: a block that runs past its end goes on
        // from its start.
        for (size_t done = 0; done < block;) {
            const size_t n = std::min(block - done, pcm.size() - pos);
            std::copy_n(pcm.data() + pos, n, out.data() + done);
            done += n;
            pos = (pos + n) % pcm.size();
        }
        on_block(out.data(), out.size());
    });
    return true;
}

void TWavCapture::Close() { thread_.Stop(); }

std::vector<std::string> TWavPlayback::Devices() { return {"WAV file " + BaseName(path_)}; }

bool TWavPlayback::Open(int index, const TPcmFormat& format)
{
    std::lock_guard<std::mutex> guard(lock_);
    writer_.Close();
    if (index != 0) {
        error_ = "no playback device " + std::to_string(index);
        return false;
    }
    error_.clear();
    return writer_.Open(path_, format, error_);
}

void TWavPlayback::Play(const uint8_t* data, size_t size)
{
    std::lock_guard<std::mutex> guard(lock_);
    writer_.Write(data, size);
}

void TWavPlayback::Close()
{
    std::lock_guard<std::mutex> guard(lock_);
    writer_.Close();
}

bool TWavPlayback::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return writer_.IsOpen();
}

std::string TWavPlayback::LastError() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

bool TNullPlayback::Open(int index, const TPcmFormat& format)
{
    std::lock_guard<std::mutex> guard(lock_);
    open_ = index == 0 && format.Valid();
    error_ = open_ ? "" : "no playback device " + std::to_string(index);
    return open_;
}

void TNullPlayback::Play(const uint8_t* data, size_t size)
{
    if (open_ && data) played_ += size;
}

std::string TNullPlayback::LastError() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

} // namespace kel
