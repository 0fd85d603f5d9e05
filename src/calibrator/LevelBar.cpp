#include "calibrator/LevelBar.h"

#include <QPainter>

#include "calibrator/CalibratorWizard.h"

namespace kel {

TLevelBar::TLevelBar(TStyle style, QWidget* parent) : QWidget(parent), style_(style) { setFixedSize(257, 6); }

void TLevelBar::SetLevel(int level)
{
    const bool redraw = TCalibratorWizard::Segments(level) != TCalibratorWizard::Segments(level_);
    level_ = level;
    if (redraw) update();
}

void TLevelBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width(), h = height();
    p.fillRect(0, 0, w, h, Qt::black);
    p.fillRect(1, 1, w - 2, h - 2, Qt::white);
    const int lit = TCalibratorWizard::Segments(level_);
    for (int i = 0; i < lit; ++i) {
        QColor c(0, 0, 128); // navy
        if (style_ == TStyle::Microphone) {
            switch (TCalibratorWizard::MicSegment(i)) {
            case TCalibratorWizard::TSegment::Green: c = QColor(0, 192, 0); break;
            case TCalibratorWizard::TSegment::Yellow: c = QColor(255, 255, 0); break;
            default: c = QColor(255, 0, 0); break;
            }
        }
        // From x = 8i + 1 to 8i + 8, the last column left white as the gap.
        p.fillRect(8 * i + 1, 1, 7, h - 2, c);
    }
}

} // namespace kel
