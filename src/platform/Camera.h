#pragma once
// Cameras: listed by index with their names, opened at a requested size and
// frame rate, delivering 24-bit frames on the device's own thread.
// Backends: V4L2 through libv4l2, and a synthetic moving test pattern.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kel {

// One frame: width x height pixels of 3 bytes each in red, green, blue
// order, rows from the top, no padding (size = width * height * 3). The
// bytes are valid only during the call.
struct TVideoFrame {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint32_t sequence = 0; // 0 for the first frame after Open, +1 per frame
};

using TVideoFrameHandler = std::function<void(const TVideoFrame& frame)>;

class ICamera {
public:
    virtual ~ICamera() = default;

    // Names of the video input devices, in index order.
    virtual std::vector<std::string> Devices() = 0;
    // Starts device `index` at `width` x `height` and at most `fps` frames a
    // second; every frame has the requested size. False, with LastError,
    // when the device is missing or refuses; an open camera is closed first.
    virtual bool Open(int index, int32_t width, int32_t height, int32_t fps, TVideoFrameHandler on_frame) = 0;
    // When it returns, `on_frame` is not running and is not called again.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual std::string LastError() const = 0;
};

} // namespace kel
