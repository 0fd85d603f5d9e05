#pragma once
// The camera preview of the video page: black until a frame comes, then
// the newest frame scaled into the window.
#include <QImage>
#include <QWidget>

namespace kel {

class TVideoWindow : public QWidget {
public:
    explicit TVideoWindow(QWidget* parent);

    // `rgb` is width x height x 3 bytes, rows from the top; an empty one
    // makes the window black again.
    void ShowFrame(const std::vector<uint8_t>& rgb, int32_t width, int32_t height);
    bool HasFrame() const { return !image_.isNull(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage image_;
};

} // namespace kel
