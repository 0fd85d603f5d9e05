#pragma once
// Cameras through V4L2 and libv4l2, which converts whatever the camera
// sends into 24-bit RGB. Devices are the capture-capable /dev/videoN nodes
// in number order, named by the driver's card name. A frame whose size the
// driver changed is scaled to the requested size. Frames are read on a
// thread of the camera's own, which waits on the device and an eventfd
// that stops it.
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Camera.h"

namespace kel {

class TV4l2Camera : public ICamera {
public:
    // `dev_dir` is where the videoN nodes are looked for.
    explicit TV4l2Camera(std::string dev_dir = "/dev");
    ~TV4l2Camera() override;

    std::vector<std::string> Devices() override;
    bool Open(int index, int32_t width, int32_t height, int32_t fps, TVideoFrameHandler on_frame) override;
    void Close() override;
    bool IsOpen() const override;
    std::string LastError() const override;

    struct Node {
        std::string path;
        std::string name;
    };
    std::vector<Node> Nodes();

private:
    void Run(int fd, int wake, int32_t want_w, int32_t want_h, int32_t got_w, int32_t got_h, int32_t fps, TVideoFrameHandler on_frame);

    std::string dev_dir_;
    mutable std::mutex lock_;
    std::string error_;
    int fd_ = -1;
    int wake_ = -1;
    std::thread thread_;
};

// Nearest-neighbour scaling of an RGB24 image (rows from the top).
void ScaleRgb24(const uint8_t* src, int32_t sw, int32_t sh, uint8_t* dst, int32_t dw, int32_t dh);

} // namespace kel
