#include "platform/V4l2Camera.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

namespace kel {
namespace {

int Ioctl(int fd, unsigned long request, void* arg)
{
    int r;
    do r = v4l2_ioctl(fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r;
}

// The card name of a capture device, or empty when `path` is not one.
// Asked directly, not through libv4l2, which complains on stderr about
// every node that is not a camera.
std::string CaptureName(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    v4l2_capability cap{};
    std::string name;
    int r;
    do r = ::ioctl(fd, VIDIOC_QUERYCAP, &cap);
    while (r < 0 && errno == EINTR);
    if (r == 0) {
        const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        if (caps & V4L2_CAP_VIDEO_CAPTURE) {
            name.assign(reinterpret_cast<const char*>(cap.card), strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
            if (name.empty()) name = path;
        }
    }
    ::close(fd);
    return name;
}

} // namespace

void ScaleRgb24(const uint8_t* src, int32_t sw, int32_t sh, uint8_t* dst, int32_t dw, int32_t dh)
{
    for (int32_t y = 0; y < dh; ++y) {
        const uint8_t* srow = src + static_cast<size_t>(static_cast<int64_t>(y) * sh / dh) * sw * 3;
        uint8_t* drow = dst + static_cast<size_t>(y) * dw * 3;
        for (int32_t x = 0; x < dw; ++x) std::copy_n(srow + static_cast<size_t>(static_cast<int64_t>(x) * sw / dw) * 3, 3, drow + x * 3);
    }
}

TV4l2Camera::TV4l2Camera(std::string dev_dir) : dev_dir_(std::move(dev_dir)) {}
TV4l2Camera::~TV4l2Camera() { Close(); }

std::vector<TV4l2Camera::Node> TV4l2Camera::Nodes()
{
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dev_dir_, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("video", 0) != 0 || file.size() == 5 || file.size() > 8) continue;
        const std::string digits = file.substr(5);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        found.emplace_back(std::stoi(digits), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<Node> nodes;
    for (const auto& [number, path] : found) {
        std::string name = CaptureName(path);
        if (!name.empty()) nodes.push_back({path, std::move(name)});
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (nodes.empty()) error_ = "no camera in " + dev_dir_;
    return nodes;
}

std::vector<std::string> TV4l2Camera::Devices()
{
    std::vector<std::string> names;
    for (Node& n : Nodes()) names.push_back(std::move(n.name));
    return names;
}

bool TV4l2Camera::Open(int index, int32_t width, int32_t height, int32_t fps, TVideoFrameHandler on_frame)
{
    Close();
    auto fail = [this](std::string e) {
        std::lock_guard<std::mutex> guard(lock_);
        error_ = std::move(e);
        return false;
    };
    if (width < 8 || height < 8 || width > 4096 || height > 4096 || fps < 1 || fps > 120 || !on_frame)
        return fail("unsupported capture request");
    const std::vector<Node> nodes = Nodes();
    if (index < 0 || static_cast<size_t>(index) >= nodes.size())
        return fail("no camera " + std::to_string(index) + " (" + std::to_string(nodes.size()) + " present)");
    const Node& node = nodes[static_cast<size_t>(index)];
    const int fd = v4l2_open(node.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail("cannot open " + node.path + ": " + std::strerror(errno));

    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = static_cast<uint32_t>(width);
    fmt.fmt.pix.height = static_cast<uint32_t>(height);
    fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (Ioctl(fd, VIDIOC_S_FMT, &fmt) < 0 || fmt.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24 || fmt.fmt.pix.width < 1 ||
        fmt.fmt.pix.height < 1 || fmt.fmt.pix.width > 8192 || fmt.fmt.pix.height > 8192) {
        const std::string e = node.name + " refuses 24-bit RGB at " + std::to_string(width) + "x" + std::to_string(height);
        v4l2_close(fd);
        return fail(e);
    }
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe.numerator = 1;
    parm.parm.capture.timeperframe.denominator = static_cast<uint32_t>(fps);
    Ioctl(fd, VIDIOC_S_PARM, &parm); // a camera without rate control is paced below

    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        v4l2_close(fd);
        return fail("cannot make an eventfd");
    }
    std::lock_guard<std::mutex> guard(lock_);
    error_.clear();
    fd_ = fd;
    wake_ = wake;
    const auto gw = static_cast<int32_t>(fmt.fmt.pix.width), gh = static_cast<int32_t>(fmt.fmt.pix.height);
    thread_ = std::thread([this, fd, wake, width, height, gw, gh, fps, on_frame = std::move(on_frame)] {
        Run(fd, wake, width, height, gw, gh, fps, on_frame);
    });
    return true;
}

void TV4l2Camera::Run(int fd, int wake, int32_t want_w, int32_t want_h, int32_t got_w, int32_t got_h, int32_t fps, TVideoFrameHandler on_frame)
{
    std::vector<uint8_t> raw(static_cast<size_t>(got_w) * got_h * 3);
    std::vector<uint8_t> scaled;
    const bool scale = got_w != want_w || got_h != want_h;
    if (scale) scaled.resize(static_cast<size_t>(want_w) * want_h * 3);
    const auto min_gap = std::chrono::microseconds(1000000 / fps);
    auto last = std::chrono::steady_clock::now() - min_gap;
    uint32_t sequence = 0;
    for (;;) {
        pollfd fds[2] = {{wake, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) break;
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) break; // unplugged
        const ssize_t n = v4l2_read(fd, raw.data(), raw.size());
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            break;
        }
        if (static_cast<size_t>(n) < raw.size()) continue; // a torn frame
        const auto now = std::chrono::steady_clock::now();
        if (now - last < min_gap) continue;
        last = now;
        TVideoFrame frame;
        frame.width = want_w;
        frame.height = want_h;
        if (scale) ScaleRgb24(raw.data(), got_w, got_h, scaled.data(), want_w, want_h);
        frame.data = scale ? scaled.data() : raw.data();
        frame.size = static_cast<size_t>(want_w) * want_h * 3;
        frame.sequence = sequence++;
        on_frame(frame);
    }
}

void TV4l2Camera::Close()
{
    std::thread t;
    int fd = -1, wake = -1;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (wake_ >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
        }
        t = std::move(thread_);
        fd = fd_;
        wake = wake_;
        fd_ = wake_ = -1;
    }
    if (t.joinable()) t.join();
    if (fd >= 0) v4l2_close(fd);
    if (wake >= 0) ::close(wake);
}

bool TV4l2Camera::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return fd_ >= 0;
}

std::string TV4l2Camera::LastError() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

} // namespace kel
