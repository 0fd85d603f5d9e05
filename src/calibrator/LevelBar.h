#pragma once
// The level bars of the sound test (pb_mic, pb_vol): a black frame, white
// inside, and one 8-pixel segment for every 1024 of the level, green,
// yellow and red on the microphone bar, navy on the speaker bar.
#include <QWidget>

namespace kel {

class TLevelBar : public QWidget {
public:
    enum class TStyle { Microphone = 1, Speakers };
    TLevelBar(TStyle style, QWidget* parent);

    // 0..32768; redrawn only when the number of lit segments changes.
    void SetLevel(int level);
    int Level() const { return level_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TStyle style_;
    int level_ = 0;
};

} // namespace kel
