#include "room/KelControl.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "config/RightQuery.h"
#include "room/UserListView.h"

namespace kel {

namespace {

// The mic menu in item order; item i asks for state i + 1.
constexpr const char* kMicCaptions[6] = {"公麦", "私麦(所有人可连接)", "私麦(仅好友可连接)", "私麦(需确认可连接)",
                                        "私麦(嘉宾收费私麦)", "排麦(排进麦序)"};

QPushButton* Button(QWidget* parent, const char* name, const char* caption, int height) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setFixedSize(TkelControl::kButtonWidth, height);
    return b;
}

QSlider* Slider(QWidget* parent, const char* name, const char* hint) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(0, 65535);
    s->setToolTip(QString::fromUtf8(hint));
    s->setFixedHeight(TkelControl::kButtonHeight);
    return s;
}

} // namespace

TkelControl::TkelControl(QWidget* parent) : QWidget(parent) {
    setObjectName("kelControl");
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle("控制面板");
    resize(kWidth, kHeight);
    lblCaption = new QLabel("控制面板", this);
    lblCaption->setObjectName("lblControlCaption");

    // 1. The mic menu; "下麦" asks for state 0.
    FMicMenu = new QMenu(this);
    FMicMenu->setObjectName("FMicMenu");
    for (int i = 0; i < 6; ++i) {
        MicItems[static_cast<size_t>(i)] = FMicMenu->addAction(QString::fromUtf8(kMicCaptions[i]));
        connect(MicItems[static_cast<size_t>(i)], &QAction::triggered, this, [this, i] {
            if (OnReqMic) OnReqMic(*this, user_id_, nick_, static_cast<uint8_t>(i + 1));
        });
    }
    FMicMenu->addSeparator();
    MicItems[6] = FMicMenu->addAction("下麦");
    connect(MicItems[6], &QAction::triggered, this, [this] {
        if (OnReqMic) OnReqMic(*this, user_id_, nick_, 0);
    });

    // 2. The mic button draws its caption from the skin.
    btnMic = new QToolButton(this);
    btnMic->setObjectName("btnMic");
    btnMic->setFixedSize(kButtonWidth, kButtonHeight);
    btnMic->setToolTip("上麦/下麦");
    btnMic->setMenu(FMicMenu);
    btnMic->setPopupMode(QToolButton::InstantPopup);

    // 3..7. The buttons.
    btnPlaySong = Button(this, "btnPlaySong", "播放歌曲", kButtonHeight);
    btnPlaySong->hide();
    connect(btnPlaySong, &QPushButton::clicked, this, [this] { Raise(OnPlayAV); });
    btnMySelfMic = Button(this, "btnMySelfMic", "我的私麦", kButtonHeight);
    connect(btnMySelfMic, &QPushButton::clicked, this, [this] { Raise(OnMySelfMic); });
    btnRoomMng = Button(this, "btnRoomMng", "房间管理", kButtonHeight);
    FRoomMenu = new QMenu(btnRoomMng);
    connect(FRoomMenu->addAction("房间信息"), &QAction::triggered, this, [this] { Raise(OnRoomMng); });
    connect(FRoomMenu->addAction("用户管理"), &QAction::triggered, this, [this] { Raise(OnUserMng); });
    btnRoomMng->setMenu(FRoomMenu);
    btnSetAV = Button(this, "btnSetAV", "视频设置", kButtonHeight);
    connect(btnSetAV, &QPushButton::clicked, this, [this] { Raise(OnSetAV); });
    btnAudioSet = Button(this, "btnAudioSet", "音频设置", kButtonHeight);
    FAudioMenu = new QMenu(btnAudioSet);
    auto* group = new QActionGroup(FAudioMenu);
    group->setExclusive(true);
    const char* sources[3] = {"麦克风", "伴奏", "混音"};
    TControlEvent* events[3] = {&OnSendAV, &OnPlayVideo, &OnPlayAudio};
    for (size_t i = 0; i < 3; ++i) {
        QAction* a = FAudioMenu->addAction(QString::fromUtf8(sources[i]));
        a->setCheckable(true);
        group->addAction(a);
        AudioItems[i] = a;
        connect(a, &QAction::triggered, this, [this, e = events[i]] { Raise(*e); });
    }
    btnAudioSet->setMenu(FAudioMenu);

    // 8. The playback row, 9. the microphone row.
    imgRecVolume = new QLabel(this);
    imgRecVolume->setObjectName("imgRecVolume");
    imgRecVolume->setFixedSize(20, 20);
    imgRecVolume->setScaledContents(true);
    imgRecVolume->setToolTip("调节接收音量");
    sldRece = Slider(this, "sldRece", "调节接收音量");
    connect(sldRece, &QSlider::valueChanged, this, [this](int v) {
        volume_rece_ = v;
        if (OnVolumeRece) OnVolumeRece(*this, v);
    });
    imgSendAudio = new QToolButton(this);
    imgSendAudio->setObjectName("imgSendAudio");
    imgSendAudio->setFixedSize(20, 20);
    imgSendAudio->setIconSize(QSize(18, 18));
    imgSendAudio->setAutoRaise(true);
    imgSendAudio->setToolTip("停止发送音频");
    connect(imgSendAudio, &QToolButton::clicked, this, [this] { ClickSendAudio(); });
    sldSend = Slider(this, "sldSend", "调节麦克音量");
    connect(sldSend, &QSlider::valueChanged, this, [this](int v) {
        volume_send_ = v;
        if (OnVolumeSend) OnVolumeSend(*this, v);
    });
    Relayout();
}

void TkelControl::Raise(const TControlEvent& e) {
    if (e) e(*this, user_id_, nick_);
}

void TkelControl::InitPanel(int32_t user_id, int32_t user_type, const std::string& picture_path,
                            const std::string& nick, int16_t room_value55, int32_t mic_right, int32_t right_level) {
    user_id_ = user_id;
    user_type_ = user_type;
    picture_path_ = picture_path;
    nick_ = nick;
    room_value55_ = room_value55;
    mic_right_ = mic_right;
    right_level_ = right_level;
    enable_audio_ = true;
    SetMicVolume(0);
    SetMasterVolume(0);
    const auto cells = LoadImageStrip(picture_path + "../Resource/ImgsUserMng.bmp");
    for (size_t i = 0; i < 6 && i < cells.size(); ++i) MicItems[i]->setIcon(QIcon(cells[i]));
    LoadIcon("Audio1.bmp", "停止发送音频");
    const QPixmap rec = LoadMaskedBitmap(picture_path + "RecVolume.bmp", qRgb(255, 0, 255));
    if (!rec.isNull()) imgRecVolume->setPixmap(rec);
    ApplyMicRights();
    // Sending starts off: the room window's handler is not assigned yet, so
    // this click raises nothing.
    ClickSendAudio();
}

void TkelControl::LoadIcon(const char* file, const char* hint) {
    const QPixmap p = LoadMaskedBitmap(picture_path_ + file, qRgb(255, 0, 255));
    if (!p.isNull()) imgSendAudio->setIcon(QIcon(p));
    imgSendAudio->setToolTip(QString::fromUtf8(hint));
}

void TkelControl::ClickSendAudio() {
    enable_audio_ = !enable_audio_;
    if (enable_audio_) LoadIcon("Audio1.bmp", "停止发送音频");
    else LoadIcon("Audio0.bmp", "允许发送音频");
    if (OnEnableAudio) OnEnableAudio(*this, enable_audio_);
}

void TkelControl::SetEnableAudio(bool on) {
    enable_audio_ = on;
    const QPixmap p = LoadMaskedBitmap(picture_path_ + (on ? "tiaojieyinliang.bmp" : "quxiaoyinliang.bmp"),
                                       qRgb(255, 0, 255));
    if (!p.isNull()) imgSendAudio->setIcon(QIcon(p));
}

void TkelControl::SetMicVolume(int volume) {
    volume_send_ = volume;
    const QSignalBlocker quiet(sldSend);
    sldSend->setValue(volume);
}

void TkelControl::SetMasterVolume(int volume) {
    volume_rece_ = volume;
    const QSignalBlocker quiet(sldRece);
    sldRece->setValue(volume);
}

void TkelControl::SetMicRight(int32_t mic_right) {
    mic_right_ = mic_right;
    ApplyMicRights();
}

void TkelControl::ApplyMicRights() {
    for (int i = 0; i < 6; ++i)
        MicItems[static_cast<size_t>(i)]->setEnabled(TRightQuery::HasMicRight(mic_right_, i + 1));
    // Friends-only private mics are not offered.
    MicItems[2]->setVisible(false);
    // A partner room has no paid private mic.
    if (room_value55_ == 8) MicItems[4]->setEnabled(false);
    MicItems[6]->setEnabled(true);
}

void TkelControl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Relayout();
}

// Rows from the top of the client area: the two volume rows with the mic
// button beside them, then "我的私麦" and "房间管理", then "视频设置" and
// "音频设置"; three equal margins across, five equal gaps down.
void TkelControl::Relayout() {
    const int caption = 18;
    lblCaption->setGeometry(6, 1, width() - 12, caption - 2);
    const int bh = kButtonHeight, bw = kButtonWidth;
    const int left = std::max(0, (width() - 2 * bw) / 3);
    const int gap = std::max(0, (height() - caption - 4 * bh) / 5);
    const int col2 = 2 * left + bw;
    int y = caption + gap;
    imgRecVolume->move(left, y);
    sldRece->setGeometry(left + 22, y, bw - 22, bh);
    const int y2 = y + bh + gap;
    imgSendAudio->move(left, y2);
    sldSend->setGeometry(left + 22, y2, bw - 22, bh);
    btnMic->move(col2, y + (bh + gap) / 2);
    const int y3 = y2 + bh + gap;
    btnMySelfMic->move(left, y3);
    btnRoomMng->move(col2, y3);
    btnPlaySong->move(left, y3);
    const int y4 = y3 + bh + gap;
    btnSetAV->move(left, y4);
    btnAudioSet->move(col2, y4);
}

} // namespace kel
