// The control panel and the queue order dialog on the offscreen platform:
// the mic menu's captions and its enabled rules, what each control raises,
// the send-audio toggle, and dragging rows in the queue dialog.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "config/ChatCFG.h"
#include "room/KelControl.h"
#include "room/SetMicOrder.h"
#include "shell/Screenshots.h"

namespace kel::test {
namespace {

std::string PicturePath() { return TkelChatCFG(KEL_APP_FOLDER).AppPath + "Picture/kelControl/"; }

TEST(KelControl, MicMenuCaptionsAndRights) {
    TkelControl panel;
    EXPECT_EQ(panel.width(), 200);
    EXPECT_EQ(panel.height(), 150);
    EXPECT_EQ(panel.lblCaption->text(), "控制面板");
    const char* captions[7] = {"公麦", "私麦(所有人可连接)", "私麦(仅好友可连接)", "私麦(需确认可连接)",
                               "私麦(嘉宾收费私麦)", "排麦(排进麦序)", "下麦"};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(panel.MicItems[i]->text(), captions[i]);
    EXPECT_EQ(panel.FMicMenu->actions().size(), 8);  // with the separator

    struct Row {
        const char* name;
        int32_t rights;
        int16_t room_kind;
        std::array<bool, 7> enabled;
    } rows[] = {
        {"no rights", 0, 0, {false, false, false, false, false, false, true}},
        {"all rights", 0x3f, 0, {true, true, true, true, true, true, true}},
        {"all rights, partner room", 0x3f, 8, {true, true, true, true, false, true, true}},
        {"queue only", 0x20, 0, {false, false, false, false, false, true, true}},
        {"bits beyond the six states", 0x7fffffc0, 0, {false, false, false, false, false, false, true}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        panel.InitPanel(10001, 2, PicturePath(), "小明", r.room_kind, r.rights, 0);
        // The friends-only private mic is never shown (and so never usable).
        for (size_t i = 0; i < 7; ++i) {
            if (i != 2) {
                EXPECT_EQ(panel.MicItems[i]->isEnabled(), r.enabled[i]) << i;
            }
        }
        EXPECT_FALSE(panel.MicItems[2]->isVisible());
    }
    panel.SetMicRight(0x21);
    EXPECT_TRUE(panel.MicItems[0]->isEnabled());
    EXPECT_FALSE(panel.MicItems[1]->isEnabled());
}

TEST(KelControl, EventsCarryTheOwnUser) {
    TkelControl panel;
    panel.InitPanel(10001, 2, PicturePath(), "小明", 0, 0x3f, 0);
    std::vector<std::string> raised;
    std::vector<int> states;
    auto note = [&](const char* what) {
        return [&raised, what](TkelControl&, int32_t id, const std::string& nick) {
            raised.push_back(std::string(what) + ":" + std::to_string(id) + ":" + nick);
        };
    };
    panel.OnSendAV = note("mic");
    panel.OnPlayVideo = note("accompaniment");
    panel.OnPlayAudio = note("mix");
    panel.OnSetAV = note("setav");
    panel.OnRoomMng = note("room");
    panel.OnUserMng = note("users");
    panel.OnMySelfMic = note("mine");
    panel.OnReqMic = [&](TkelControl&, int32_t id, const std::string&, uint8_t s) {
        EXPECT_EQ(id, 10001);
        states.push_back(s);
    };
    panel.MicItems[0]->trigger();
    panel.MicItems[5]->trigger();
    panel.MicItems[6]->trigger();
    EXPECT_EQ(states, (std::vector<int>{1, 6, 0}));
    for (QAction* a : panel.AudioItems) a->trigger();
    EXPECT_TRUE(panel.AudioItems[2]->isChecked());
    EXPECT_FALSE(panel.AudioItems[0]->isChecked());
    panel.btnSetAV->click();
    panel.FRoomMenu->actions()[0]->trigger();
    panel.FRoomMenu->actions()[1]->trigger();
    panel.btnMySelfMic->click();
    EXPECT_EQ(raised, (std::vector<std::string>{"mic:10001:小明", "accompaniment:10001:小明", "mix:10001:小明",
                                                 "setav:10001:小明", "room:10001:小明", "users:10001:小明",
                                                 "mine:10001:小明"}));
    EXPECT_TRUE(panel.btnPlaySong->isHidden());

    // Volumes: the sliders raise their events, the properties do not.
    std::vector<int> send, rece;
    panel.OnVolumeSend = [&](TkelControl&, int v) { send.push_back(v); };
    panel.OnVolumeRece = [&](TkelControl&, int v) { rece.push_back(v); };
    panel.sldSend->setValue(30000);
    panel.sldRece->setValue(65535);
    panel.SetMicVolume(100);
    panel.SetMasterVolume(200);
    EXPECT_EQ(send, std::vector<int>{30000});
    EXPECT_EQ(rece, std::vector<int>{65535});
    EXPECT_EQ(panel.VolumeSend(), 100);
    EXPECT_EQ(panel.sldRece->value(), 200);
}

TEST(KelControl, SendAudioStartsOffAndToggles) {
    TkelControl panel;
    std::vector<bool> told;
    panel.OnEnableAudio = [&](TkelControl&, bool on) { told.push_back(on); };
    panel.InitPanel(10001, 2, PicturePath(), "小明", 0, 0x3f, 0);
    EXPECT_FALSE(panel.EnableAudio());
    EXPECT_EQ(panel.imgSendAudio->toolTip(), "允许发送音频");
    told.clear();  // the first click happened before the room assigns its handler
    panel.imgSendAudio->click();
    EXPECT_TRUE(panel.EnableAudio());
    EXPECT_EQ(panel.imgSendAudio->toolTip(), "停止发送音频");
    panel.imgSendAudio->click();
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    panel.SetEnableAudio(true);
    EXPECT_TRUE(panel.EnableAudio());
    EXPECT_EQ(told.size(), 2u);
    EXPECT_FALSE(panel.imgSendAudio->icon().isNull());
}

TEST(FormSetMicOrder, ListAndDragging) {
    std::vector<TUserInfoUserMng> users;
    for (int i = 1; i <= 5; ++i) {
        TUserInfoUserMng u;
        u.UserID = i;
        u.NickName = "用户" + std::to_string(i);
        u.NickColor = 0x0000ff;
        users.push_back(u);
    }
    TFormSetMicOrder dialog(users);
    EXPECT_EQ(dialog.windowTitle(), "排麦顺序调整");
    EXPECT_EQ(dialog.Label1->text(), "通过鼠标拖动用户在列表的位置来调整顺序");
    EXPECT_EQ(dialog.ListView1->headerItem()->text(0), "昵称");
    EXPECT_EQ(dialog.ListView1->headerItem()->text(1), "用户号");
    EXPECT_EQ(dialog.ListView1->columnWidth(0), 155);
    EXPECT_EQ(dialog.btnOK->text(), "确认");
    EXPECT_EQ(dialog.btnCancel->text(), "取消");
    ASSERT_EQ(dialog.ListView1->topLevelItemCount(), 5);
    EXPECT_EQ(dialog.ListView1->topLevelItem(0)->foreground(0).color(), QColor(255, 0, 0));
    dialog.ListView1->Drop(0, 2);
    EXPECT_EQ(dialog.GetOrder(), (std::vector<int32_t>{2, 3, 1, 4, 5}));
    EXPECT_EQ(dialog.ListView1->topLevelItem(2)->text(1), "1");
    dialog.ListView1->Drop(4, -1);  // onto no row: the last, which is itself
    EXPECT_EQ(dialog.GetOrder(), (std::vector<int32_t>{2, 3, 1, 4, 5}));
    dialog.show();
    QApplication::processEvents();
    Shot(dialog, "room-mic-order");

    TFormSetMicOrder empty({});
    EXPECT_EQ(empty.ListView1->topLevelItemCount(), 0);
    EXPECT_TRUE(empty.GetOrder().empty());
}

} // namespace
} // namespace kel::test
