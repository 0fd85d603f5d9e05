#pragma once
// A synthetic camera: colour bars with a white block that moves a few
// pixels each frame and a row of frame-counter bits, delivered in real time
// at the requested rate. For machines without a camera (a user may choose
// it) and for tests.
#include <mutex>

#include "platform/Camera.h"
#include "platform/PacedThread.h"

namespace kel {

class TPatternCamera : public ICamera {
public:
    ~TPatternCamera() override { Close(); }

    std::vector<std::string> Devices() override { return {"Test pattern"}; }
    bool Open(int index, int32_t width, int32_t height, int32_t fps, TVideoFrameHandler on_frame) override;
    void Close() override { thread_.Stop(); }
    bool IsOpen() const override { return thread_.Running(); }
    std::string LastError() const override;

    // Frame `sequence` of the pattern at that size (RGB, rows from the top).
    static void Draw(std::vector<uint8_t>& rgb, int32_t width, int32_t height, uint32_t sequence);

    static constexpr int32_t kMaxSide = 4096;

private:
    TPacedThread thread_;
    mutable std::mutex lock_;
    std::string error_;
};

} // namespace kel
