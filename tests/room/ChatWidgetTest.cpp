// The chat widgets on the offscreen platform with the installation's own
// pictures, style sheet, catalogues and fun-phrase library: a busy chat in
// both skins (screenshots into $KEL_SCREENSHOT_DIR), the input editor,
// real trimming, animation cap, links and the emoticon picker.
#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QMovie>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <fstream>

#include "../shell/Screenshots.h"
#include "../support/TempDir.h"
#include "FakeChatRoom.h"
#include "config/Emotion.h"
#include "config/Gift.h"
#include "config/LanguageRes.h"
#include "config/SkinBundle.h"
#include "platform/ManualLoop.h"
#include "protocol/LayoutSupport.h"
#include "room/KelChatMng.h"
#include "room/KelRoomMemo.h"
#include "room/SelectEmotion.h"
#include "shell/SkinApply.h"
#include "shell/SkinMessage.h"

namespace kel {
namespace {

const std::string kApp = std::string(KEL_APP_DIR) + "/";
const std::string kPic = kApp + "Picture/";

class ChatWidget : public ::testing::Test {
protected:
    ChatWidget() : emotions(kPic + "Face"), gifts(kApp + "Gift.dat") {
        language.Load(kApp);
        room.self = 10001;
        room.nicks = {{10002, "小红"}, {10003, "金卡会员"}, {10004, "捣蛋鬼"}};
        room.levels = {{10002, "VIP会员"}, {10003, "金卡会员"}, {10004, "注册用户"}};
        lines.Gifts = &gifts;
        TSkinMessage::SetResponder([this](const QString&, const QString& text, bool) {
            boxes.push_back(text.toStdString());
            return true;
        });
    }
    ~ChatWidget() override { TSkinMessage::SetResponder(nullptr); }

    std::unique_ptr<TkelChatMng> MakeChat() {
        auto chat = std::make_unique<TkelChatMng>(room, lines, &language, &emotions);
        chat->SetPathRes(kPic);
        ChatSelf self;
        self.UserID = 10001;
        self.NickName = "小明";
        self.LevelName = "VIP会员";
        self.User = {3, 0};
        TLinkBtnInfo links = {"充值", "帮助", "论坛", "大厅", "http://127.0.0.1/pay", "file:///etc/passwd",
                              "javascript:alert(1)", "https://127.0.0.1/hall"};
        chat->InitRoom(self, links, "FFFFFF", "F7FBFF", "");
        // The font is kept in a folder of the test, not in the application's.
        fonts.reset(new test::TempDir);
        chat->FInput->SetFontSavePath(fonts->Folder());
        chat->resize(560, 640);
        return chat;
    }
    std::string Code(size_t group, size_t i) const { return emotions.Groups().at(group).faces.at(i).id; }
    void Feed(TkelChatMng& chat, const std::vector<uint8_t>& m) { EXPECT_TRUE(chat.HandleMessage(m.data(), m.size())); }
    ChatBroadcast Chat9013(int32_t from, const std::string& nick, int32_t to, const std::string& to_nick,
                           const std::string& text) {
        ChatBroadcast m;
        m.FromUserID = from;
        m.FromNick = nick;
        m.FromLevel = room.levels[from];
        m.ToUserID = to;
        m.ToNick = to_nick;
        m.ToLevel = to ? room.levels[to] : "";
        m.TimeText = "20:15:0" + std::to_string(from % 10);
        m.Show3D = true;
        m.FontName = "WenQuanYi Micro Hei";
        m.FontSize = 10;
        m.Text = text;
        return m;
    }

    void Populate(TkelChatMng& chat) {
        TChatArea& a = chat.Area();
        a.ShowEntry(10002, "小红");
        a.ShowEntry(10003, "金卡会员");
        auto hello = Chat9013(10002, "小红", 0, "大家", "大家晚上好\\e" + Code(0, 0) + "\\e" + Code(0, 1));
        hello.FontColor = 0x3030d0;  // red
        hello.FontStyles = kFontBold;
        hello.FontSize = 12;
        Feed(chat, Encode(hello));
        auto whisper = Chat9013(10003, "金卡会员", 10001, "小明", "悄悄告诉你<BR>今晚有活动\\e" + Code(0, 2));
        whisper.Whisper = true;
        whisper.FontColor = 0x8a2be2 >> 0;
        Feed(chat, Encode(whisper));
        ChatFont mine;
        mine.Name = "WenQuanYi Micro Hei";
        mine.Size = 11;
        mine.Color = 0xc06000;  // blue-ish
        a.Send("收到，马上来\\e" + Code(0, 3), mine);
        Feed(chat, Encode(Chat9013(10004, "捣蛋鬼", 0, "大家",
                                   "<b>假的系统消息</b> <a href=\"link[Pay:]\">点我充值</a>")));
        auto three_d = Chat9013(10002, "小红", 10003, "金卡会员", "送你一个 \\E0001 \\E0006");
        Feed(chat, Encode(three_d));
        a.ShowSystemMessage(2, 1, "【系统】:", "欢迎来到欢乐大厅，请文明聊天");
        GiftLineValues g;
        g.GiverID = 10002;
        g.GiverNick = "小红";
        g.GiverLevel = "VIP会员";
        g.ReceiverID = 10003;
        g.ReceiverNick = "金卡会员";
        g.ReceiverLevel = "金卡会员";
        g.GiftID = gifts.GiftCount() ? gifts.GiftAt(0)->id : 101;
        g.ShowCount = 10;
        g.TotalShown = 10;
        g.Unit = "朵";
        a.ShowGiftLine(g);
        FunPhraseDelivered act;
        act.FromUserID = 10003;
        act.FromNick = "金卡会员";
        act.FromLevel = "金卡会员";
        act.ToUserID = 10002;
        act.ToNick = "小红";
        act.ToLevel = "VIP会员";
        act.Phrase = 4023;
        Feed(chat, Encode(act));
        DiceResult d;
        d.UserID = 10002;
        d.NickName = "小红";
        d.Die1 = 4;
        d.Die2 = 6;
        Feed(chat, Encode(d));
        ChatRefused r;
        r.Reason = 1;
        Feed(chat, Encode(r));
        SystemAnnouncement ann;
        ann.Text = "服务器将于 23:00 维护十分钟";
        Feed(chat, Encode(ann));
        TGiftEvent e;
        e.GiverID = 10002;
        e.GiverNick = "小红";
        e.ReceiverID = 10001;
        e.ReceiverNick = "小明";
        e.GiftID = g.GiftID;
        e.Count = 99;
        e.Time = 46000.875;
        a.ShowGiftEvent(e, "金");
        QCoreApplication::processEvents();
    }

    ManualLoop loop;
    test::FakeChatRoom room;
    TLineBuilder lines;
    TLanguageRes language;
    TEmotion emotions;
    TGift gifts;
    std::unique_ptr<test::TempDir> fonts;
    std::vector<std::string> boxes;
};

TEST_F(ChatWidget, BusyChatInBothSkins) {
    ASSERT_FALSE(emotions.Groups().empty());
    ASSERT_GT(gifts.GiftCount(), 0);
    ASSERT_TRUE(language.Loaded());
    for (const char* skin_name : {"kelroom", "night"}) {
        const auto skin = LoadSkinFile(kApp + "Skin/" + skin_name + ".skn");
        ASSERT_TRUE(skin) << skin_name;
        ApplySkinToApplication(*skin, 0);
        auto chat = MakeChat();
        chat->show();
        Populate(*chat);
        const QString pub = chat->FPublicScreen->toPlainText();
        const QString low = chat->FLowerScreen->toPlainText();
        EXPECT_TRUE(pub.contains("小红(10002)")) << pub.toStdString();
        EXPECT_TRUE(pub.contains("<b>假的系统消息</b> <a href=\"link[Pay:]\">点我充值</a>")) << pub.toStdString();
        EXPECT_TRUE(pub.contains("进入本房间"));
        EXPECT_TRUE(pub.contains("掷出骰子"));
        EXPECT_TRUE(pub.contains("用户等级小于本房间公聊最低用户等级"));
        EXPECT_TRUE(pub.contains(", 共10朵"));
        EXPECT_TRUE(low.contains("悄悄说:"));
        EXPECT_TRUE(low.contains("收到，马上来"));
        EXPECT_TRUE(low.contains("系统公告：服务器将于"));
        EXPECT_TRUE(low.contains("【系统消息】："));
        EXPECT_FALSE(chat->FPublicScreen->toHtml().contains("href=\"link[Pay:]\""));
        // The emoticon pictures came from the installation.
        const QString face = QString::fromStdString(kPic + "Face/" + Code(0, 0) + ".gif");
        EXPECT_FALSE(chat->FPublicScreen->document()->resource(QTextDocument::ImageResource, QUrl(face)).isNull());
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(30);  // let the animated pictures move
        }
        Shot(*chat, std::string("chat-") + skin_name);

        auto* picker = new TfrmSelectEmotion(emotions, chat.get());
        picker->PopupAt(QPoint(40, 40));
        picker->HoverCell(2);
        EXPECT_TRUE(picker->pnlPreview->isVisible());
        Shot(*picker, std::string("picker-") + skin_name);
        picker->close();
    }
    qApp->setStyleSheet({});
}

TEST_F(ChatWidget, InputEditorSendsChatText) {
    auto chat = MakeChat();
    chat->show();
    TKelRoomChatEdit* in = chat->FInput;
    QTest::keyClicks(in, "hi");
    const std::string code = Code(0, 5);
    in->InsertEmotion(kPic + "Face/" + code + ".gif");
    QTest::keyClick(in, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(in, "there <b>");
    EXPECT_EQ(in->ChatInfo(), "hi\\e" + code + "<BR>there <b>");
    QTest::keyClick(in, Qt::Key_Return);
    ASSERT_EQ(room.sent.size(), 1u);
    auto m = Decode<ChatRequest>(room.sent[0]);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, "hi\\e" + code + "<BR>there <b>");
    EXPECT_TRUE(in->toPlainText().isEmpty());
    // Only blanks: nothing goes out.
    QTest::keyClicks(in, "   ");
    chat->btnSend->click();
    EXPECT_EQ(room.sent.size(), 1u);
    Shot(*chat, "chat-input");
}

TEST_F(ChatWidget, ScreenTrimsItsDocument) {
    auto chat = MakeChat();
    for (int i = 0; i < 200; ++i) chat->Area().ShowEntry(10002, "第" + std::to_string(i) + "位");
    EXPECT_GT(chat->FPublicScreen->document()->characterCount(), 2000);
    chat->Area().ShowEntry(10002, "最后一位");
    const QString text = chat->FPublicScreen->toPlainText();
    EXPECT_LE(text.size(), 300 + 20);
    EXPECT_TRUE(text.endsWith("最后一位进入本房间")) << text.toStdString();
}

TEST_F(ChatWidget, AnimationsAreCapped) {
    TKelRoomChatEdit screen;
    screen.SetResourcePath(kPic);
    int animated = 0;
    QDirIterator it(QString::fromStdString(kPic), {"*.gif"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString path = it.next();
        QMovie probe(path);
        if (probe.frameCount() <= 1) continue;
        ++animated;
        screen.AppendHtml("<div><img src=\"" + path.toStdString() + "\"></div>");
    }
    screen.resize(300, 2000);
    screen.show();
    QCoreApplication::processEvents();
    ASSERT_GT(animated, TKelRoomChatEdit::kMaxAnimations);
    EXPECT_EQ(screen.Animations(), TKelRoomChatEdit::kMaxAnimations);
}

TEST_F(ChatWidget, UserLinkSelectsTargetAndOpensMenu) {
    auto chat = MakeChat();
    chat->show();
    Populate(*chat);
    int32_t menu_for = 0;
    chat->OperatePopEvent = [&](int32_t id, int, int) { menu_for = id; };
    QTextCursor found = chat->FPublicScreen->document()->find("捣蛋鬼(10004)");
    ASSERT_FALSE(found.isNull());
    found.setPosition(found.selectionStart() + 2);
    chat->FPublicScreen->ensureCursorVisible();
    QTest::qWait(10);
    QRect r = chat->FPublicScreen->cursorRect(found);
    QTest::mouseClick(chat->FPublicScreen->viewport(), Qt::LeftButton, {}, r.center() + QPoint(2, 0));
    EXPECT_EQ(menu_for, 10004);
    EXPECT_EQ(chat->Area().TargetID(), 10004);
    EXPECT_EQ(chat->cbbTarget->currentText(), "捣蛋鬼");
    EXPECT_TRUE(chat->chkWhisper->isEnabled());
    EXPECT_FALSE(chat->chkWhisper->isChecked());
}

TEST_F(ChatWidget, LinkButtonsOpenOnlyWebAddresses) {
    auto chat = MakeChat();
    chat->show();
    std::vector<std::string> opened;
    chat->OpenLink = [&](const std::string& url) { opened.push_back(url); };
    for (auto* b : chat->btnLinks) QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1/pay", "https://127.0.0.1/hall"}));
    EXPECT_EQ(chat->btnLinks[0]->text(), "充值");
}

TEST_F(ChatWidget, TargetBoxWhisperBoxAndRoomLink) {
    auto chat = MakeChat();
    chat->show();
    EXPECT_FALSE(chat->chkWhisper->isEnabled());
    chat->SelectTarget(10002, "小红");
    EXPECT_EQ(chat->cbbTarget->count(), 2);
    EXPECT_EQ(chat->cbbTarget->currentText(), "小红");
    EXPECT_TRUE(chat->chkWhisper->isEnabled());
    EXPECT_FALSE(chat->chkWhisper->isChecked());
    chat->chkWhisper->setChecked(true);
    EXPECT_TRUE(chat->Area().WhisperChecked());
    chat->cbbTarget->setCurrentIndex(0);
    EXPECT_FALSE(chat->chkWhisper->isEnabled());
    EXPECT_FALSE(chat->chkWhisper->isChecked());
    chat->RemoveTarget(10002);
    EXPECT_EQ(chat->cbbTarget->count(), 1);

    chat->CopyRoomLink("127.0.0.1:8080", 2001, 2);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "http://127.0.0.1:8080/kelvo_web_/index.htm?RoomID=2001&vpport=20022");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "房间地址已经复制，使用Ctrl+V粘贴快去告诉你的朋友一起来玩吧！");
}

TEST_F(ChatWidget, EmoticonPickerPages) {
    test::TempDir dir;
    std::ofstream xml(dir.File("Face.xml"));
    xml << "<FACESETTING><CUSTOMFACEGROUP name=\"默认\">";
    for (int i = 0; i < 100; ++i) {
        char id[40];
        std::snprintf(id, sizeof id, "%032d", i);
        QImage img(20, 20, QImage::Format_RGB32);
        img.fill(QColor(255, 0, 255));
        img.setPixelColor(10, 10, QColor(200, 40, 40));
        img.save(QString::fromStdString(dir.File(std::string(id) + ".bmp")));
        img.save(QString::fromStdString(dir.File(std::string(id) + ".gif")));
        xml << "<FACE id=\"" << id << "\" tip=\"表情" << i << "\"><FILEORG>" << id << ".gif</FILEORG><FILEFIXED>" << id
            << ".bmp</FILEFIXED></FACE>";
    }
    xml << "</CUSTOMFACEGROUP><CUSTOMFACEGROUP name=\"x_interest\"></CUSTOMFACEGROUP></FACESETTING>";
    xml.close();
    TEmotion many(dir.Folder());
    auto* picker = new TfrmSelectEmotion(many);
    std::string chosen;
    picker->OnSelect = [&](const std::string& p) { chosen = p; };
    EXPECT_EQ(picker->tbc1->count(), 1);  // the "_interest" group has no tab
    EXPECT_EQ(picker->Pages(), 2);
    EXPECT_FALSE(picker->btnPrior->isEnabled());
    EXPECT_TRUE(picker->btnNext->isEnabled());
    EXPECT_EQ(picker->lblPages->text(), "1/2");
    picker->btnNext->click();
    EXPECT_EQ(picker->lblPages->text(), "2/2");
    EXPECT_TRUE(picker->btnPrior->isEnabled());
    EXPECT_FALSE(picker->btnNext->isEnabled());
    picker->btnPrior->click();
    picker->PopupAt(QPoint(100, 100));
    picker->HoverCell(2);
    EXPECT_TRUE(picker->pnlPreview->isVisible());
    EXPECT_EQ(picker->labName->text(), "表情2");
    picker->HoverCell(7);
    EXPECT_FALSE(picker->pnlPreview->isVisible());
    picker->HoverCell(12);
    EXPECT_TRUE(picker->pnlPreview->isVisible());
    Shot(*picker, "emotion-picker");
    picker->ClickCell(12);
    const std::string name = "00000000000000000000000000000012.gif";
    ASSERT_GE(chosen.size(), name.size());
    EXPECT_EQ(chosen.substr(chosen.size() - name.size()), name);
}

TEST_F(ChatWidget, BannerListsNewestFirst) {
    TkelRoomMemo memo(lines);
    lines.ResourcePath = kPic;
    ASSERT_GT(gifts.GiftCount(), 1);
    TGiftEvent older, newer;
    older.GiverNick = "老";
    older.GiftID = gifts.GiftAt(0)->id;
    older.Count = 1;
    older.Time = 46000.1;
    newer = older;
    newer.GiverNick = "新";
    newer.GiftID = gifts.GiftAt(1)->id;
    newer.Time = 46000.9;
    newer.Message = "生日快乐";
    memo.LuXuryGiftList = {older, newer};
    memo.Refresh();
    memo.resize(600, 40);
    memo.show();
    const QString text = memo.WBMemo->toPlainText();
    EXPECT_LT(text.indexOf("新"), text.indexOf("老")) << text.toStdString();
    EXPECT_TRUE(text.contains("生日快乐"));
    Shot(memo, "banner");
}

} // namespace
} // namespace kel
