#pragma once
// Devices and a sink the tests drive by hand on virtual time: a capture
// whose blocks the test pushes, a playback that keeps what it is given with
// the tick it came at, and a sink that keeps every chunk.
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "media/AudioSend.h"
#include "platform/AudioDevice.h"
#include "platform/Tick.h"

namespace kel::test {

class PushCapture : public IAudioCapture {
public:
    bool has_device = true;
    bool fail_open = false;
    TPcmFormat format;
    size_t block_bytes = 0;
    int opens = 0;

    std::vector<std::string> Devices() override { return has_device ? std::vector<std::string>{"push"} : std::vector<std::string>{}; }
    bool Open(int, const TPcmFormat& f, size_t bytes, TPcmBlockHandler h) override
    {
        if (fail_open) return false;
        format = f;
        block_bytes = bytes;
        handler_ = std::move(h);
        ++opens;
        return true;
    }
    void Close() override { handler_ = nullptr; }
    bool IsOpen() const override { return handler_ != nullptr; }
    std::string LastError() const override { return fail_open ? "refused" : ""; }
    void Push(std::span<const int16_t> pcm)
    {
        if (handler_) handler_(reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2);
    }

private:
    TPcmBlockHandler handler_;
};

class KeepPlayback : public IAudioPlayback {
public:
    struct Block {
        Tick at;
        std::vector<int16_t> pcm;
    };
    std::vector<Block> blocks;
    TPcmFormat format;
    bool open = false;

    std::vector<std::string> Devices() override { return {"keep"}; }
    bool Open(int, const TPcmFormat& f) override { format = f; open = true; return true; }
    void Play(const uint8_t* data, size_t size) override
    {
        if (!open) return;
        Block b{GetTickCount(), std::vector<int16_t>(size / 2)};
        std::memcpy(b.pcm.data(), data, size / 2 * 2);
        blocks.push_back(std::move(b));
    }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    std::string LastError() const override { return ""; }
    std::vector<int16_t> All() const
    {
        std::vector<int16_t> out;
        for (auto& b : blocks) out.insert(out.end(), b.pcm.begin(), b.pcm.end());
        return out;
    }
};

class KeepSink : public IAudioChunkSink {
public:
    std::vector<std::vector<uint8_t>> chunks;
    void SendAudioChunk(std::span<const uint8_t> c) override { chunks.emplace_back(c.begin(), c.end()); }
};

} // namespace kel::test
