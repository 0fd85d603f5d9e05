#include "platform/PatternCamera.h"

#include <algorithm>

namespace kel {

void TPatternCamera::Draw(std::vector<uint8_t>& rgb, int32_t width, int32_t height, uint32_t sequence)
{
    static const uint8_t kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                        {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    rgb.resize(static_cast<size_t>(width) * height * 3);
    const int32_t block = std::max(4, std::min(width, height) / 4);
    const int32_t travel = std::max(1, width - block);
    // The block runs to the right edge and back, 4 pixels per frame.
    const int32_t step = static_cast<int32_t>((sequence * 4u) % (2u * static_cast<uint32_t>(travel)));
    const int32_t bx = step < travel ? step : 2 * travel - step;
    const int32_t by = (height - block) / 2;
    const int32_t bits_row = height - std::max(1, height / 16);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* c = kBars[static_cast<size_t>(x) * 8 / width];
            uint8_t px[3] = {c[0], c[1], c[2]};
            if (x >= bx && x < bx + block && y >= by && y < by + block) {
                px[0] = px[1] = px[2] = 240;
            } else if (y >= bits_row) {
                // The frame counter in binary along the bottom, bit 0 on the left.
                const int bit = static_cast<int>(static_cast<int64_t>(x) * 16 / width);
                px[0] = px[1] = px[2] = ((sequence >> bit) & 1u) ? 200 : 40;
            }
            std::copy_n(px, 3, row + x * 3);
        }
    }
}

bool TPatternCamera::Open(int index, int32_t width, int32_t height, int32_t fps, TVideoFrameHandler on_frame)
{
    Close();
    std::string error;
    if (index != 0) error = "no camera " + std::to_string(index);
    else if (width < 8 || height < 8 || width > kMaxSide || height > kMaxSide) error = "unsupported frame size";
    else if (fps < 1 || fps > 120) error = "unsupported frame rate";
    else if (!on_frame) error = "no frame handler";
    {
        std::lock_guard<std::mutex> guard(lock_);
        error_ = error;
    }
    if (!error.empty()) return false;
    thread_.Start(std::chrono::microseconds(1000000 / fps),
                  [width, height, on_frame = std::move(on_frame), sequence = uint32_t{0}, rgb = std::vector<uint8_t>()]() mutable {
                      Draw(rgb, width, height, sequence);
                      TVideoFrame frame;
                      frame.width = width;
                      frame.height = height;
                      frame.data = rgb.data();
                      frame.size = rgb.size();
                      frame.sequence = sequence++;
                      on_frame(frame);
                  });
    return true;
}

std::string TPatternCamera::LastError() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return error_;
}

} // namespace kel
