#include "platform/PortAudioDevice.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <algorithm>
#include <cstring>
#include <deque>

namespace kel {
namespace {

// ALSA writes every failed probe of a missing card to stderr; our callers
// get the reason from LastError instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

std::mutex g_lib_lock;
std::weak_ptr<TPortAudioLibrary> g_lib;

} // namespace

class TPortAudioLibrary {
public:
    TPortAudioLibrary()
    {
        snd_lib_error_set_handler(QuietAlsa);
        const PaError e = Pa_Initialize();
        ok_ = e == paNoError;
        if (!ok_) error_ = std::string("PortAudio cannot start: ") + Pa_GetErrorText(e);
    }
    ~TPortAudioLibrary()
    {
        if (ok_) Pa_Terminate();
    }
    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }

    // PortAudio device numbers of the default host API's devices that can
    // record (input) or play (output), in its order.
    std::vector<PaDeviceIndex> List(bool input) const
    {
        std::vector<PaDeviceIndex> out;
        if (!ok_) return out;
        const PaHostApiIndex api = Pa_GetDefaultHostApi();
        const PaHostApiInfo* info = api >= 0 ? Pa_GetHostApiInfo(api) : nullptr;
        if (!info) return out;
        for (int i = 0; i < info->deviceCount; ++i) {
            const PaDeviceIndex dev = Pa_HostApiDeviceIndexToDeviceIndex(api, i);
            const PaDeviceInfo* d = dev >= 0 ? Pa_GetDeviceInfo(dev) : nullptr;
            if (d && (input ? d->maxInputChannels : d->maxOutputChannels) > 0) out.push_back(dev);
        }
        return out;
    }
    std::vector<std::string> Names(bool input) const
    {
        std::vector<std::string> names;
        for (PaDeviceIndex dev : List(input)) names.emplace_back(Pa_GetDeviceInfo(dev)->name);
        return names;
    }

    static std::shared_ptr<TPortAudioLibrary> Get()
    {
        std::lock_guard<std::mutex> guard(g_lib_lock);
        std::shared_ptr<TPortAudioLibrary> lib = g_lib.lock();
        if (!lib) {
            lib = std::make_shared<TPortAudioLibrary>();
            g_lib = lib;
        }
        return lib;
    }

private:
    bool ok_ = false;
    std::string error_;
};

bool PortAudioAvailable(std::string* error)
{
    auto lib = TPortAudioLibrary::Get();
    if (error) *error = lib->Error();
    return lib->Ok();
}

namespace {

// Opens one stream on device `index` of the input or output list; on
// failure `error` says why and the result is null.
PaStream* OpenStream(const TPortAudioLibrary& lib, bool input, int index, const TPcmFormat& format,
                     unsigned long frames_per_buffer, PaStreamCallback* callback, void* user, std::string& error)
{
    if (!lib.Ok()) {
        error = lib.Error();
        return nullptr;
    }
    if (!format.Valid()) {
        error = "unsupported PCM format";
        return nullptr;
    }
    const std::vector<PaDeviceIndex> list = lib.List(input);
    if (index < 0 || static_cast<size_t>(index) >= list.size()) {
        error = std::string(input ? "no recording device " : "no playback device ") + std::to_string(index) + " (" +
                std::to_string(list.size()) + " present)";
        return nullptr;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(list[static_cast<size_t>(index)]);
    PaStreamParameters p{};
    p.device = list[static_cast<size_t>(index)];
    p.channelCount = format.channels;
    p.sampleFormat = format.bits == 8 ? paUInt8 : paInt16;
    p.suggestedLatency = input ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    const PaStreamParameters* in = input ? &p : nullptr;
    const PaStreamParameters* out = input ? nullptr : &p;
    PaError e = Pa_IsFormatSupported(in, out, format.rate);
    if (e != paFormatIsSupported) {
        error = std::string(info->name) + " does not take " + std::to_string(format.rate) + " Hz, " +
                std::to_string(format.channels) + " channel(s), " + std::to_string(format.bits) + " bits: " + Pa_GetErrorText(e);
        return nullptr;
    }
    PaStream* stream = nullptr;
    e = Pa_OpenStream(&stream, in, out, format.rate, frames_per_buffer, paClipOff, callback, user);
    if (e == paNoError) e = Pa_StartStream(stream);
    if (e != paNoError) {
        error = std::string("cannot open ") + info->name + ": " + Pa_GetErrorText(e);
        if (stream) Pa_CloseStream(stream);
        return nullptr;
    }
    return stream;
}

void CloseStream(PaStream* stream)
{
    // Pa_StopStream returns once the callback has run for the last time.
    Pa_StopStream(stream);
    Pa_CloseStream(stream);
}

} // namespace

// ---- capture

struct TPortAudioCapture::Stream {
    PaStream* pa = nullptr;
    size_t frame_bytes = 0;
    TPcmBlockHandler on_block;

    static int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user)
    {
        auto* s = static_cast<Stream*>(user);
        if (input && frames) s->on_block(static_cast<const uint8_t*>(input), frames * s->frame_bytes);
        return paContinue;
    }
};

TPortAudioCapture::TPortAudioCapture() : lib_(TPortAudioLibrary::Get()) {}
TPortAudioCapture::~TPortAudioCapture() { Close(); }

std::vector<std::string> TPortAudioCapture::Devices()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!lib_->Ok()) error_ = lib_->Error();
    return lib_->Names(true);
}

bool TPortAudioCapture::Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block)
{
    Close();
    std::lock_guard<std::mutex> guard(lock_);
    if (!on_block) {
        error_ = "no block handler";
        return false;
    }
    auto s = std::make_unique<Stream>();
    s->frame_bytes = format.BytesPerFrame();
    s->on_block = std::move(on_block);
    const unsigned long frames = s->frame_bytes ? std::max<unsigned long>(1, block_bytes / s->frame_bytes) : 1;
    error_.clear();
    s->pa = OpenStream(*lib_, true, index, format, frames, &Stream::Callback, s.get(), error_);
    if (!s->pa) return false;
    stream_ = std::move(s);
    return true;
}

void TPortAudioCapture::Close()
{
    std::unique_ptr<Stream> s;
    {
        std::lock_guard<std::mutex> guard(lock_);
        s = std::move(stream_);
    }
    if (s) CloseStream(s->pa);
}

bool TPortAudioCapture::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return stream_ != nullptr;
}

std::string TPortAudioCapture::LastError() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

// ---- playback

struct TPortAudioPlayback::Stream {
    PaStream* pa = nullptr;
    size_t frame_bytes = 0;
    uint8_t silence = 0;
    size_t limit = 0; // bytes queued at most: half a second
    std::mutex lock;
    std::deque<uint8_t> queue;

    static int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user)
    {
        auto* s = static_cast<Stream*>(user);
        auto* out = static_cast<uint8_t*>(output);
        const size_t want = frames * s->frame_bytes;
        size_t got = 0;
        // The audio thread never waits: when Play holds the lock it plays
        // silence for this buffer instead.
        if (s->lock.try_lock()) {
            got = std::min(want, s->queue.size());
            std::copy_n(s->queue.begin(), got, out);
            s->queue.erase(s->queue.begin(), s->queue.begin() + static_cast<std::ptrdiff_t>(got));
            s->lock.unlock();
        }
        std::memset(out + got, s->silence, want - got);
        return paContinue;
    }
};

TPortAudioPlayback::TPortAudioPlayback() : lib_(TPortAudioLibrary::Get()) {}
TPortAudioPlayback::~TPortAudioPlayback() { Close(); }

std::vector<std::string> TPortAudioPlayback::Devices()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!lib_->Ok()) error_ = lib_->Error();
    return lib_->Names(false);
}

bool TPortAudioPlayback::Open(int index, const TPcmFormat& format)
{
    Close();
    std::lock_guard<std::mutex> guard(lock_);
    auto s = std::make_unique<Stream>();
    s->frame_bytes = format.BytesPerFrame();
    s->silence = format.bits == 8 ? 0x80 : 0;
    s->limit = format.BytesPerSecond() / 2;
    error_.clear();
    s->pa = OpenStream(*lib_, false, index, format, paFramesPerBufferUnspecified, &Stream::Callback, s.get(), error_);
    if (!s->pa) return false;
    stream_ = std::move(s);
    return true;
}

void TPortAudioPlayback::Play(const uint8_t* data, size_t size)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!stream_ || !data) return;
    Stream& s = *stream_;
    std::lock_guard<std::mutex> queue_guard(s.lock);
    size -= size % s.frame_bytes;
    if (s.queue.size() + size > s.limit) return; // the device fell behind: drop rather than lag
    s.queue.insert(s.queue.end(), data, data + size);
}

void TPortAudioPlayback::Close()
{
    std::unique_ptr<Stream> s;
    {
        std::lock_guard<std::mutex> guard(lock_);
        s = std::move(stream_);
    }
    if (s) CloseStream(s->pa);
}

bool TPortAudioPlayback::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return stream_ != nullptr;
}

std::string TPortAudioPlayback::LastError() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

} // namespace kel
