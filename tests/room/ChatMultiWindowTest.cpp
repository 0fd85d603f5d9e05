// The room window on the offscreen platform: its frame, the four lists with
// their pictures and captions, the user menu, the profile window, closing;
// and screenshots of a room with a dozen users in both skins.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include "RoomFixture.h"
#include "config/ChatCFG.h"
#include "config/Gift.h"
#include "config/SetSkin.h"
#include "config/TypeCFG.h"
#include "protocol/RoomMessages.h"
#include "protocol/RoomUserMessages.h"
#include "room/ChatMulti.h"
#include "room/SubMenu.h"
#include "room/UserInfo.h"
#include "room/UserListView.h"
#include "shell/OwnUser.h"
#include "shell/SkinApply.h"
#include "shell/SkinMessage.h"
#include "shell/Screenshots.h"
#include "protocol/ChatMessages.h"
#include "room/KelRoomMemo.h"
#include "room/KelRoomChatEdit.h"
#include "room/KelChatMng.h"
#include "room/ChatRules.h"
#include "room/ChatArea.h"
#include "config/Emotion.h"
#include "config/LanguageRes.h"
#include <QCheckBox>
#include <QTimer>
#include <QTreeWidget>

#include "protocol/MicNotices.h"
#include "protocol/MicRequests.h"
#include "room/KelControl.h"
#include "room/MicControl.h"
#include "room/SetMicOrder.h"
#include <QComboBox>

namespace kel::test {
namespace {

class ChatMultiTest : public ::testing::Test {
protected:
    static constexpr int32_t kMe = 100001;

    void SetUp() override {
        CreateGlobalEncrypt();
        cfg = std::make_unique<TkelChatCFG>(KEL_APP_FOLDER);
        GlobalTypeCFG = levels = new TkelTypeCFG(cfg->AppPath + "UserLevel.ini");
        GlobalGift = gifts = new TGift(cfg->AppPath + "Gift.dat");
        GlobalEmotion = emotions = new TEmotion(cfg->AppPath + "Picture/Face/");
        GlobalLanguageRes = language = new TLanguageRes;
        language->Load(cfg->AppPath);
        skins = std::make_unique<TSetSkin>(cfg->AppPath);
        own.UserID = kMe;
        own.NickName = "我自己";
        own.Coins = 500;
        TSkinMessage::SetResponder([this](const QString&, const QString& text, bool) {
            boxes << text;
            return true;
        });
    }
    void TearDown() override {
        delete window.data();
        loop.AdvanceBy(2000);
        TSkinMessage::SetResponder(nullptr);
        GlobalTypeCFG = nullptr;
        GlobalGift = nullptr;
        GlobalEmotion = nullptr;
        GlobalLanguageRes = nullptr;
        delete levels;
        delete gifts;
        delete emotions;
        delete language;
    }

    void Open(int32_t rights = 0, int16_t user_type = 2) {
        auto ep = std::make_unique<FakeEndpoint>();
        sent = ep->sent;
        endpoint = ep.get();
        window = new TfrmChatMulti(loop, *cfg, own, skins.get(), nullptr, std::move(ep));
        TRoomInfo room;
        room.RoomID = 1001;
        room.RoomName = "欢乐大厅";
        room.ServerGroup = 1;
        room.Description = "欢迎来到欢乐大厅，文明聊天，快乐唱歌！";
        room.WelcomeTexts[0] = "本房间禁止刷屏";
        room.WelcomeStyle = "color:#C62828; font-weight:bold";
        window->InitRoom(kMe, "我自己", user_type, 0, rights, 0x3F, room, kServerIp, 777, 0);
        window->show();
        QApplication::processEvents();
    }
    void Deliver(const std::vector<uint8_t>& plain) {
        auto sealed = SealMessage(*GlobalEncrypt, plain.data(), plain.size());
        endpoint->OnRecv(kServerIp, cfg->PortRoom1, sealed.data(), static_cast<int32_t>(sealed.size()));
        loop.AdvanceBy(30);
        QApplication::processEvents();
    }
    template <class T>
    void Send(const T& m) { Deliver(Encode(m)); }

    // A dozen users of every kind.
    void FillRoom() {
        const char* levels_[] = {"站长", "室主", "管理员", "钻石会员", "金卡会员", "VIP会员", "注册用户", "游客"};
        const char* nicks[] = {"星光", "月亮姐姐", "老王", "Tom", "小雨点", "歌神",
                               "开心果", "路人甲", "夜猫子", "Lily", "阿强", "隐身侠"};
        UserListMessage list;
        auto me = User(kMe, "我自己", 6);
        me.LevelName = "注册用户";
        me.TitleText = "注册用户";
        list.Users.push_back(me);
        for (int i = 0; i < 12; ++i) {
            auto u = User(200000 + i * 37, nicks[i], static_cast<uint8_t>(i % 8));
            u.LevelName = levels_[i % 8];
            u.TitleText = levels_[i % 8];
            u.HeadIndex = static_cast<int16_t>(i % 16);
            u.NickColor = i % 3 == 0 ? 0x0000CC : (i % 3 == 1 ? 0x663300 : 0x000000);
            u.ManagerLevel = i < 3 ? static_cast<int16_t>(i + 1) : 0;
            u.MicState = i == 4 ? 1 : (i == 6 || i == 7 ? 6 : 0);
            u.MicOrder = static_cast<int16_t>(i == 6 ? 1 : (i == 7 ? 2 : -1));
            u.ChatForbidden = i == 9;
            u.Hidden = i == 11;
            list.Users.push_back(u);
        }
        Send(list);
        EnterRoomAnswer a;
        Send(a);
    }


    std::string Face(size_t i) const { return emotions->Groups().at(0).faces.at(i).id; }
    ChatBroadcast Public(int32_t from, const std::string& nick, const std::string& text) {
        ChatBroadcast m;
        m.FromUserID = from;
        m.FromNick = nick;
        m.FromLevel = "VIP会员";
        m.TimeText = "20:15:07";
        m.FontName = "WenQuanYi Micro Hei";
        m.FontSize = 11;
        m.FontColor = 0x2040C0;
        m.Text = text;
        return m;
    }
    // 19014 from the room owner 月亮姐姐.
    PrivateChatMessage WhisperToMe(const std::string& text) {
        PrivateChatMessage w;
        w.FromUserID = 200037;
        w.FromNick = "月亮姐姐";
        w.FromLevel = "室主";
        w.ToUserID = kMe;
        w.ToNick = "我自己";
        w.Whisper = true;
        w.TimeText = "20:15:09";
        w.FontName = "WenQuanYi Micro Hei";
        w.FontSize = 10;
        w.FontColor = 0x8A2BE2;
        w.Text = text;
        return w;
    }
    // The chat requests the window sent, in order.
    std::vector<ChatRequest> ChatsSent() const {
        std::vector<ChatRequest> out;
        for (const auto& s : *sent)
            if (auto m = Decode<ChatRequest>(s.Plain)) out.push_back(*m);
        return out;
    }
    void Type(const std::string& text) {
        // Typed as input-method text would arrive: key clicks know only ASCII.
        window->kelChatMng->FInput->insertPlainText(QString::fromStdString(text));
    }
    void PressReturn() {
        QTest::keyClick(window->kelChatMng->FInput, Qt::Key_Return);
        QApplication::processEvents();
    }
    // A busy evening: public lines with emoticons, a whisper, a refusal, a
    // fun phrase, dice, an announcement and a gift event.
    void BusyChat() {
        auto hello = Public(200000, "星光", "大家晚上好\\e" + Face(0) + "\\e" + Face(1));
        hello.FontStyles = kFontBold;
        Send(hello);
        Send(Public(200074, "老王", "今晚谁先唱？<BR>我来第一首\\e" + Face(2)));
        Send(WhisperToMe("悄悄告诉你，九点有抽奖\\e" + Face(3)));
        Send(Public(200111, "Tom", "<b>假的系统消息</b> <a href=\"link[Pay:]\">点我充值</a>"));
        FunPhraseDelivered act;
        act.FromUserID = 200037;
        act.FromNick = "月亮姐姐";
        act.FromLevel = "室主";
        act.ToUserID = 200000;
        act.ToNick = "星光";
        act.ToLevel = "站长";
        act.Phrase = 4023;
        Send(act);
        DiceResult d;
        d.UserID = 200185;
        d.NickName = "歌神";
        d.Die1 = 3;
        d.Die2 = 5;
        Send(d);
        SystemAnnouncement ann;
        ann.Text = "服务器将于 23:00 维护十分钟";
        Send(ann);
        TGiftEvent e;
        e.GiverID = 200000;
        e.GiverNick = "星光";
        e.ReceiverID = 200037;
        e.ReceiverNick = "月亮姐姐";
        e.GiftID = gifts->GiftCount() ? gifts->GiftAt(0)->id : 101;
        e.Count = 9;
        e.Time = 46000.875;
        window->kelChatMng->Area().ShowGiftEvent(e, "金");
        QApplication::processEvents();
    }

    QString priScreenText() const { return window->priScreen->toPlainText(); }
    // A user of FillRoom onto public mic `slot`.
    void OnMic(int32_t id, const std::string& nick, int16_t slot, int32_t limit_ms) {
        MicChanged c;
        c.UserID = id;
        c.NickName = nick;
        c.OperatorID = id;
        c.OperatorNick = nick;
        c.NewState = 1;
        c.Slot = slot;
        c.MicTimeLimit = limit_ms;
        Send(c);
    }
    template <class T>
    std::optional<T> LastSent() const {
        for (auto it = sent->rbegin(); it != sent->rend(); ++it)
            if (auto m = Decode<T>(it->Plain)) return m;
        return std::nullopt;
    }
    ManualLoop loop;
    std::unique_ptr<TkelChatCFG> cfg;
    TkelTypeCFG* levels = nullptr;
    TGift* gifts = nullptr;
    TEmotion* emotions = nullptr;
    TLanguageRes* language = nullptr;
    std::unique_ptr<TSetSkin> skins;
    TOwnUser own;
    QPointer<TfrmChatMulti> window;
    FakeEndpoint* endpoint = nullptr;
    std::shared_ptr<std::vector<FakeEndpoint::Sent>> sent;
    QStringList boxes;
};

TEST_F(ChatMultiTest, BorderlessWindowOfTheRoom) {
    Open();
    EXPECT_EQ(window->size(), QSize(1024, 738));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), "(1001)欢乐大厅");
    EXPECT_EQ(window->lblRoom->text(), "(100001)我自己");
    EXPECT_EQ(window->BsPnlLeft->width(), 220);
    EXPECT_FALSE(window->pageUsers->isTabVisible(3)); // no right 9
    ASSERT_FALSE(sent->empty());
    EXPECT_EQ(MessageCode(sent->front().Plain.data(), sent->front().Plain.size()), cmd::kEnterRoom);
    // The description scrolls to the left.
    EnterRoomAnswer a;
    Send(a);
    EXPECT_EQ(window->lblRoomDir->text(), "欢迎来到欢乐大厅，文明聊天，快乐唱歌！");
    const int x = window->lblRoomDir->x();
    QTest::qWait(400);
    EXPECT_LT(window->lblRoomDir->x(), x);
    EXPECT_TRUE(window->priScreen->toPlainText().contains("☆房间提示☆:本房间禁止刷屏"));
}

TEST_F(ChatMultiTest, ListsTabsAndPictures) {
    Open(1 << 9);
    EXPECT_TRUE(window->pageUsers->isTabVisible(3));
    FillRoom();
    EXPECT_EQ(window->pageUsers->tabText(0), "用户(12)");
    EXPECT_EQ(window->pageUsers->tabText(1), "管理(3)");
    EXPECT_EQ(window->pageUsers->tabText(2), "麦序(2)");
    EXPECT_EQ(window->pageUsers->tabText(3), "隐身(1)");
    window->bsEditSearch->setText("Tom");
    EXPECT_EQ(window->lv_User->List().RowCount(), 1);
    window->bsEditSearch->clear();
    EXPECT_EQ(window->lv_User->List().RowCount(), 12);
    // Level entry lines went to the public screen.
    EXPECT_TRUE(window->pubScreen->toPlainText().contains("星光(200000) 进入房间"));
    EXPECT_TRUE(window->priScreen->toPlainText().contains("您是注册用户, 欢迎进入本房间！"));
}

TEST_F(ChatMultiTest, UserMenuAndProfileWindow) {
    Open((1 << 10) | (1 << 15));
    FillRoom();
    EXPECT_FALSE(window->PopUserMenu(kMe, {}, false)); // own row: no menu
    ASSERT_TRUE(window->PopUserMenu(200000 + 4 * 37, {}, false));
    auto& m = window->SubMenu();
    EXPECT_TRUE(m.Item(SubMenuEnum::smeDropUser)->isVisible());
    EXPECT_TRUE(m.Item(SubMenuEnum::DispIP)->isVisible());
    EXPECT_FALSE(m.Item(SubMenuEnum::AddManager)->isVisible());
    EXPECT_EQ(m.Item(SubMenuEnum::DisableChat)->text(), "屏蔽文字信息");
    m.Item(SubMenuEnum::dispInfo)->trigger();
    auto q = Decode<ProfileQuery>(sent->back().Plain);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->AskedID, 200148);

    ProfileAnswer a;
    a.Profile.UserID = 200148;
    a.Profile.NickName = "小雨点";
    a.Profile.Note = "<b>爱唱歌</b>";
    a.Profile.ContactHidden = 1;
    Send(a);
    TfrmUserInfo* info = window->UserInfoWindow(200148);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->edtNickName->text(), "小雨点");
    EXPECT_EQ(info->memNote->toPlainText(), "<b>爱唱歌</b>");
    EXPECT_EQ(info->lbIsVisable->text(), "该用户信息不公开");
    a.Profile.Age = 22;
    Send(a);
    EXPECT_EQ(window->findChildren<TfrmUserInfo*>().size(), 1);
    EXPECT_EQ(info->edtAge->text(), "22");
    Shot(*info, "room-profile");
}

TEST_F(ChatMultiTest, KeepAliveLossClosesTheWindowAfterItsHandler) {
    Open();
    for (int i = 0; i < 11100 && window; ++i) {
        loop.AdvanceBy(30);
        if (i % 500 == 0) QApplication::processEvents();
    }
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(boxes, QStringList{"您因为网络连接超时而退出房间"});
    EXPECT_EQ(MessageCode(sent->back().Plain.data(), sent->back().Plain.size()), cmd::kLeaveRoom);
}

TEST_F(ChatMultiTest, LuxuryListReplacesTheBanner) {
    Open();
    LuxuryGiftList list;
    TGiftEvent g;
    g.GiverID = 200000;
    g.GiverNick = "星光";
    g.ReceiverID = 200037;
    g.ReceiverNick = "<b>月亮姐姐</b>";
    g.GiftID = 104;
    g.Count = 99;
    g.GiftName = "花束";
    g.Kind = 7; // kept: the list replaces the banner as the server sends it
    list.Gifts = {g};
    Send(list);
    ASSERT_EQ(window->kelRoomMemo->LuXuryGiftList.size(), 1u);
    const QString shown = window->kelRoomMemo->WBMemo->toPlainText();
    EXPECT_TRUE(shown.contains("星光(200000)给<b>月亮姐姐</b>(200037)送99个 花束")) << shown.toStdString();
    list.Gifts.clear();
    Send(list);
    EXPECT_TRUE(window->kelRoomMemo->LuXuryGiftList.empty());
}

TEST_F(ChatMultiTest, ChatGoesOutAndComesInThroughTheWindow) {
    Open(0, 3);
    FillRoom();
    const std::string face = Face(4);
    // Public: typed text and a picked emoticon go out as chat text; the
    // own line is echoed on the lower screen.
    Type("大家好");
    window->kelChatMng->FInput->InsertEmotion(cfg->AppPath + "Picture/Face/" + face + ".gif");
    PressReturn();
    auto chats = ChatsSent();
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0].Text, "大家好\\e" + face);
    EXPECT_EQ(chats[0].ToUserID, 0);
    EXPECT_FALSE(chats[0].Whisper);
    EXPECT_TRUE(priScreenText().contains("大家好"));
    EXPECT_TRUE(window->kelChatMng->FInput->toPlainText().isEmpty());

    // Incoming: a public line on the upper screen, a whisper to me on the lower
    // one, the server's refusal on the upper one; markup sent as chat stays text.
    Send(Public(200000, "星光", "欢迎欢迎 <b>粗体</b>"));
    EXPECT_TRUE(window->pubScreen->toPlainText().contains("欢迎欢迎 <b>粗体</b>"));
    Send(WhisperToMe("只有你能看到"));
    EXPECT_TRUE(priScreenText().contains("只有你能看到"));
    EXPECT_FALSE(window->pubScreen->toPlainText().contains("只有你能看到"));
    ChatRefused r;
    r.Reason = 1;
    Send(r);
    EXPECT_TRUE(window->pubScreen->toPlainText().contains(QString::fromStdString(ChatRefusalText(1))));

    // The user menu picks the target; the whisper box then sends privately.
    ASSERT_TRUE(window->PopUserMenu(200037, {}, false));
    window->SubMenu().Item(SubMenuEnum::selectUse)->trigger();
    EXPECT_EQ(window->kelChatMng->cbbTarget->currentText(), "月亮姐姐");
    ASSERT_TRUE(window->kelChatMng->chkWhisper->isEnabled());
    window->kelChatMng->chkWhisper->setChecked(true);
    loop.AdvanceBy(5000);
    Type("收到");
    PressReturn();
    chats = ChatsSent();
    ASSERT_EQ(chats.size(), 2u);
    EXPECT_EQ(chats[1].ToUserID, 200037);
    EXPECT_EQ(chats[1].ToNick, "月亮姐姐");
    EXPECT_TRUE(chats[1].Whisper);

    // A fun phrase from the phrase library goes out as 20022 to the target.
    ASSERT_TRUE(language->Loaded());
    ASSERT_FALSE(window->kelChatMng->FActionMenu->actions().isEmpty());
    window->kelChatMng->FActionMenu->actions().front()->trigger();
    std::optional<FunPhraseRequest> fun;
    for (const auto& s : *sent)
        if (auto m = Decode<FunPhraseRequest>(s.Plain)) fun = m;
    ASSERT_TRUE(fun);
    EXPECT_EQ(fun->ToUserID, 200037);
}

TEST_F(ChatMultiTest, ScreenshotsInBothSkins) {
    Open(1 << 9);
    FillRoom();
    RoomRestartNotice r;
    r.Reason = "系统升级";
    Send(r);
    LuxuryGiftList list;
    TGiftEvent g;
    g.GiverID = 200000;
    g.GiverNick = "星光";
    g.ReceiverID = 200037;
    g.ReceiverNick = "月亮姐姐";
    g.GiftID = 104;
    g.Count = 99;
    g.GiftName = "花束";
    g.Message = "生日快乐";
    list.Gifts = {g};
    Send(list);
    BusyChat();
    OnMic(200148, "小雨点", 0, 300000);
    OnMic(200185, "歌神", 1, -1);
    loop.AdvanceBy(15000);
    QApplication::processEvents();
    for (int i = 0; i < skins->SkinCount(); ++i) {
        ASSERT_TRUE(skins->ApplySkin(i));
        ApplySkinToApplication(skins->gSkinData(), i);
        QApplication::processEvents();
        // Every chat tool fits in the middle column's toolbar.
        for (QToolButton* b : window->kelChatMng->ToolButtons) {
            ASSERT_TRUE(b->isVisible());
            EXPECT_LE(b->geometry().right(), b->parentWidget()->width() - 1) << b->toolTip().toStdString();
        }
        Shot(*window, "room-window-skin" + std::to_string(i));
        Shot(*window->kelControl, "room-control-skin" + std::to_string(i));
        window->kelControl->FMicMenu->popup(window->kelControl->mapToGlobal(QPoint(0, 0)));
        QApplication::processEvents();
        Shot(*window->kelControl->FMicMenu, "room-mic-menu-skin" + std::to_string(i));
        window->kelControl->FMicMenu->hide();
    }
    skins->ApplySkin(0);
    ApplySkinToApplication(skins->gSkinData(), 0);
}

TEST_F(ChatMultiTest, MicsThroughTheWindow) {
    Open((1 << 11) | (1 << 16));
    FillRoom();
    TkelControl& panel = *window->kelControl;
    EXPECT_EQ(panel.height(), TkelControl::kHeight);
    EXPECT_GE(panel.geometry().top(), window->FAVWindows[2]->geometry().bottom());
    EXPECT_EQ(panel.width(), window->bsPnlRight->width());

    // The mic menu asks the server.
    panel.MicItems[0]->trigger();
    auto asked = LastSent<MicRequest>();
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->State, 1);
    // Own audio starts off; the icon turns it on for the mic logic.
    EXPECT_FALSE(window->Room().Mic().SendAudioOn());
    panel.imgSendAudio->click();
    EXPECT_TRUE(window->Room().Mic().SendAudioOn());

    // Somebody takes mic 1: its window names him and counts down.
    OnMic(200148, "小雨点", 0, 300000);
    EXPECT_TRUE(window->pubScreen->toPlainText().contains("小雨点(200148) 由 不在麦 转为上 公麦"));
    EXPECT_TRUE(window->FAVCaptions[0]->text().contains("小雨点(200148)"));
    EXPECT_TRUE(window->FAVCaptions[0]->text().contains("剩余 5:00"));
    loop.AdvanceBy(10000);
    QApplication::processEvents();
    const QString caption = window->FAVCaptions[0]->text();
    EXPECT_TRUE(caption.contains("剩余 4:49") || caption.contains("剩余 4:50")) << caption.toStdString();
    EXPECT_EQ(window->FAVCaptions[1]->text(), "2号麦");

    // The user menu takes him off again.
    ASSERT_TRUE(window->PopUserMenu(200148, {}, false));
    window->SubMenu().Item(SubMenuEnum::AddCancelMic)->trigger();
    auto off = LastSent<HoldOffMicRequest>();
    ASSERT_TRUE(off);
    EXPECT_EQ(off->TargetID, 200148);
    MicDown d;
    d.UserID = 200148;
    d.NickName = "小雨点";
    d.OperatorID = kMe;
    d.OperatorNick = "我自己";
    d.Slot = 0;
    d.Reason = 3;
    Send(d);
    EXPECT_EQ(window->FAVCaptions[0]->text(), "1号麦");
    EXPECT_TRUE(window->pubScreen->toPlainText().contains("小雨点(200148) 被 你 强制下麦"));

    // The queue dialog: the two queued users, the first dragged below the second.
    std::vector<int32_t> shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TFormSetMicOrder*>(QApplication::activeModalWidget());
        if (!dialog) return;
        shown = dialog->GetOrder();
        dialog->ListView1->Drop(0, 1);
        dialog->btnOK->click();
    });
    ASSERT_TRUE(window->PopUserMenu(200148, {}, false));
    window->SubMenu().Item(SubMenuEnum::smeSetMicOrder)->trigger();
    EXPECT_EQ(shown, (std::vector<int32_t>{200222, 200259}));
    auto order = LastSent<MicOrderRequest>();
    ASSERT_TRUE(order);
    EXPECT_EQ(order->UserIDs, (std::vector<int32_t>{200259, 200222}));

    // Rights taken away by a new own record disable the menu.
    TUserInfoUserMng me = *window->Room().Directory().FindUser(kMe);
    me.MicRight = 0;
    window->ModifyUserInfo(me);
    EXPECT_FALSE(panel.MicItems[0]->isEnabled());
    EXPECT_TRUE(panel.MicItems[6]->isEnabled());
}

} // namespace
} // namespace kel::test
