#pragma once
// Devices the wizard tests drive by hand: lists as the test sets them, and
// blocks or frames delivered on the test's own thread when it says so. The
// post queue stands in for the GUI thread's event loop.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "calibrator/CalibratorWizard.h"

namespace kel::test {

class TFakeCapture : public IAudioCapture {
public:
    std::vector<std::string> names;
    int opened_index = -2;
    TPcmFormat opened_format;
    size_t opened_block = 0;

    std::vector<std::string> Devices() override { return names; }
    bool Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block) override
    {
        if (index < 0 || static_cast<size_t>(index) >= names.size()) return false;
        opened_index = index;
        opened_format = format;
        opened_block = block_bytes;
        handler_ = std::move(on_block);
        return true;
    }
    void Close() override { handler_ = nullptr; }
    bool IsOpen() const override { return handler_ != nullptr; }
    std::string LastError() const override { return {}; }
    void Deliver(const std::vector<uint8_t>& block)
    {
        if (handler_) handler_(block.data(), block.size());
    }

private:
    TPcmBlockHandler handler_;
};

class TFakePlayback : public IAudioPlayback {
public:
    std::vector<std::string> names;
    int opened_index = -2;
    std::vector<uint8_t> played;

    std::vector<std::string> Devices() override { return names; }
    bool Open(int index, const TPcmFormat&) override
    {
        if (index < 0 || static_cast<size_t>(index) >= names.size()) return false;
        opened_index = index;
        open_ = true;
        return true;
    }
    void Play(const uint8_t* data, size_t size) override
    {
        if (open_) played.insert(played.end(), data, data + size);
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    std::string LastError() const override { return {}; }

private:
    bool open_ = false;
};

class TFakeCamera : public ICamera {
public:
    std::vector<std::string> names;
    int opened_index = -2;

    std::vector<std::string> Devices() override { return names; }
    bool Open(int index, int32_t width, int32_t height, int32_t, TVideoFrameHandler on_frame) override
    {
        if (index < 0 || static_cast<size_t>(index) >= names.size()) return false;
        opened_index = index;
        w_ = width;
        h_ = height;
        handler_ = std::move(on_frame);
        return true;
    }
    void Close() override { handler_ = nullptr; }
    bool IsOpen() const override { return handler_ != nullptr; }
    std::string LastError() const override { return {}; }
    void Deliver(uint8_t grey)
    {
        std::vector<uint8_t> rgb(static_cast<size_t>(w_) * h_ * 3, grey);
        TVideoFrame f{w_, h_, rgb.data(), rgb.size(), seq_++};
        if (handler_) handler_(f);
    }

private:
    TVideoFrameHandler handler_;
    int32_t w_ = 0, h_ = 0;
    uint32_t seq_ = 0;
};

// Tasks posted from any thread, run on the test thread.
class TPostQueue {
public:
    TCalibratorWizard::TPost Poster()
    {
        return [this](std::function<void()> task) {
            std::lock_guard<std::mutex> guard(lock_);
            tasks_.push_back(std::move(task));
            ready_.notify_all();
        };
    }
    // Runs what is queued now (and what that posts).
    size_t RunAll()
    {
        size_t n = 0;
        for (std::function<void()> t; Pop(t, false); ++n) t();
        return n;
    }
    // Runs tasks as they come until `done` holds; false if none came for a
    // long while (a broken device).
    bool RunUntil(const std::function<bool()>& done)
    {
        for (std::function<void()> t; !done();) {
            if (!Pop(t, true)) return false;
            t();
        }
        return true;
    }

private:
    bool Pop(std::function<void()>& t, bool wait)
    {
        std::unique_lock<std::mutex> guard(lock_);
        if (wait && !ready_.wait_for(guard, std::chrono::seconds(20), [&] { return !tasks_.empty(); })) return false;
        if (tasks_.empty()) return false;
        t = std::move(tasks_.front());
        tasks_.pop_front();
        return true;
    }

    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

} // namespace kel::test
