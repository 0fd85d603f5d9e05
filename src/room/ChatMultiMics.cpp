// The room window's mic parts: the control panel's events, the public mic
// windows' captions with their holder and remaining time, and the queue
// order dialog.
#include <QLabel>

#include "config/ChatCFG.h"
#include "foundation/kelDebug.h"
#include "platform/StartProgram.h"
#include "room/ChatMulti.h"
#include "room/KelControl.h"
#include "room/MicControl.h"
#include "room/SetMicOrder.h"

namespace kel {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

void TfrmChatMulti::InitControl(int16_t user_type, int32_t right_level, const TRoomInfo& room) {
    kelControl->InitPanel(room_->MyUserID(), user_type, app_path_ + "Picture/kelControl/", room_->MyNick(),
                          room.RoomKind, room_->MicRight(), right_level);
    TMicControl& mic = room_->Mic();
    mic.MediaTicket = cfg_.MediaTicket;
    mic.EditMicOrder = [this](std::vector<int32_t>& order) { return EditMicOrder(order); };
    kelControl->OnReqMic = [this](TkelControl&, int32_t, const std::string&, uint8_t state) {
        room_->Mic().ReqMic(state);
    };
    kelControl->OnEnableAudio = [this](TkelControl&, bool on) { room_->Mic().EnableAudio(on); };
    auto source = [this](int s) {
        return [this, s](TkelControl&, int32_t, const std::string&) {
            if (SelectRecordingSource) SelectRecordingSource(s);
        };
    };
    kelControl->OnSendAV = source(1);
    kelControl->OnPlayVideo = source(2);
    kelControl->OnPlayAudio = source(0);
    kelControl->OnVolumeSend = [this](TkelControl&, int v) {
        if (SetMicLineVolume) SetMicLineVolume(v);
    };
    kelControl->OnVolumeRece = [this](TkelControl&, int v) {
        if (SetSpeakerLineVolume) SetSpeakerLineVolume(v);
    };
    kelControl->OnSetAV = [this](TkelControl&, int32_t, const std::string&) {
        if (StartCalibrator) StartCalibrator();
    };
    // The wizard beside the client, in the application folder (it keeps its
    // choices in ./AVSet.ini there), not waited for.
    StartCalibrator = [this] {
        std::string error;
        if (!StartProgram("Calibrator", error, app_path_)) Log("视频设置: " + error);
    };
}

bool TfrmChatMulti::EditMicOrder(std::vector<int32_t>& order) {
    std::vector<TUserInfoUserMng> queued;
    for (int32_t id : order)
        if (const TUserInfoUserMng* u = room_->Directory().FindUser(id)) queued.push_back(*u);
    TFormSetMicOrder dialog(queued, this);
    if (dialog.exec() != 1) return false;
    order = dialog.GetOrder();
    return true;
}

void TfrmChatMulti::ShowMicCaption(int slot) {
    const size_t k = static_cast<size_t>(slot);
    QString text = QString("%1号麦").arg(slot + 1);
    if (!av_holders_[k].empty()) text += QString("  %1").arg(Q(av_holders_[k]));
    if (av_remaining_[k] >= 0) {
        const int s = av_remaining_[k] / 1000;
        text += QString("  剩余 %1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
    }
    FAVCaptions[k]->setText(text);
}

void TfrmChatMulti::StartPublicMicView(const TPublicMicView& v) {
    if (v.Slot < 0 || v.Slot > 2) return;
    const size_t k = static_cast<size_t>(v.Slot);
    av_holders_[k] = v.User.NickName + "(" + std::to_string(v.User.UserID) + ")";
    av_remaining_[k] = v.User.MicTimeLimit > 0 ? std::max(0, v.User.MicTimeLimit - v.User.MicTimeUsed) : -1;
    ShowMicCaption(v.Slot);
}

void TfrmChatMulti::StopPublicMicView(int slot) {
    if (slot < 0 || slot > 2) return;
    av_holders_[static_cast<size_t>(slot)].clear();
    av_remaining_[static_cast<size_t>(slot)] = -1;
    ShowMicCaption(slot);
}

void TfrmChatMulti::PublicMicTime(int slot, int32_t remaining_ms) {
    if (slot < 0 || slot > 2) return;
    av_remaining_[static_cast<size_t>(slot)] = std::max(0, remaining_ms);
    ShowMicCaption(slot);
}

} // namespace kel
