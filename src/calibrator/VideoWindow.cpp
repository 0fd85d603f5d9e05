#include "calibrator/VideoWindow.h"

#include <QPainter>

namespace kel {

TVideoWindow::TVideoWindow(QWidget* parent) : QWidget(parent)
{
    setFixedSize(160, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVideoWindow::ShowFrame(const std::vector<uint8_t>& rgb, int32_t width, int32_t height)
{
    if (rgb.empty() || width <= 0 || height <= 0 || rgb.size() < static_cast<size_t>(width) * height * 3) {
        image_ = QImage();
    } else {
        image_ = QImage(rgb.data(), width, height, width * 3, QImage::Format_RGB888)
                     .scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    update();
}

void TVideoWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (image_.isNull()) p.fillRect(rect(), Qt::black);
    else p.drawImage(0, 0, image_);
}

} // namespace kel
