#pragma once
// TkelControl: the control panel under the room window's three public mic
// windows ("控制面板"): the mic menu, the receive and send volume rows with
// the send-audio icon, "我的私麦", the room management menu, "视频设置" and
// the audio source menu. It only raises events; the room window decides.
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;

namespace kel {

class TkelControl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 150;
    static constexpr int kButtonWidth = 80;
    static constexpr int kButtonHeight = 20;

    explicit TkelControl(QWidget* parent = nullptr);

    // Sender, own user number, own nickname.
    using TControlEvent = std::function<void(TkelControl&, int32_t, const std::string&)>;
    // ... and the asked mic state (0 leaves the mic).
    using TReqMicEvent = std::function<void(TkelControl&, int32_t, const std::string&, uint8_t)>;
    using TEnableEvent = std::function<void(TkelControl&, bool)>;
    using TVolumeChangedEvent = std::function<void(TkelControl&, int)>;

    TControlEvent OnSendAV, OnPlayVideo, OnPlayAudio;
    TReqMicEvent OnReqMic;
    TControlEvent OnPlayAV, OnSetAV, OnRoomMng, OnUserMng, OnAgentMng, OnMySelfMic;
    TEnableEvent OnEnableAudio;
    TVolumeChangedEvent OnVolumeSend, OnVolumeRece;

    // `picture_path` is the panel's picture folder with its trailing '/';
    // `room_value55` the room kind (8: a partner room).
    void InitPanel(int32_t user_id, int32_t user_type, const std::string& picture_path, const std::string& nick,
                   int16_t room_value55, int32_t mic_right, int32_t right_level);

    bool EnableAudio() const { return enable_audio_; }
    // Sets the state and its icon without raising OnEnableAudio.
    void SetEnableAudio(bool on);
    int VolumeSend() const { return volume_send_; }
    int VolumeRece() const { return volume_rece_; }
    // Set the value and move the slider.
    void SetMicVolume(int volume);
    void SetMasterVolume(int volume);
    // Stores the mic rights and applies them to the mic menu.
    void SetMicRight(int32_t mic_right);
    void ApplyMicRights();
    // A click on the send-audio icon: toggles and raises OnEnableAudio.
    void ClickSendAudio();

    QLabel* lblCaption;
    QMenu* FMicMenu;
    // The mic menu's items: states 1..6, then "下麦" (state 0).
    std::array<QAction*, 7> MicItems{};
    QToolButton* btnMic;
    QPushButton *btnPlaySong, *btnMySelfMic, *btnRoomMng, *btnSetAV, *btnAudioSet;
    QMenu *FRoomMenu, *FAudioMenu;
    std::array<QAction*, 3> AudioItems{};
    QLabel* imgRecVolume;
    QToolButton* imgSendAudio;
    QSlider *sldRece, *sldSend;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Raise(const TControlEvent& e);
    void LoadIcon(const char* file, const char* hint);
    void Relayout();

    int32_t user_id_ = 0;
    std::string nick_;
    std::string picture_path_;
    int16_t room_value55_ = 0;
    int32_t mic_right_ = 0;
    int32_t right_level_ = 0;
    int32_t user_type_ = 0;
    bool enable_audio_ = true;
    int volume_send_ = 0;
    int volume_rece_ = 0;
};

} // namespace kel
