// The hall, registration and login windows against the community server on
// loopback: real sockets, real files, offscreen windows, virtual time for
// every timer of the windows.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include <gtest/gtest.h>

#include "Boxes.h"
#include "Community.h"
#include "config/ChatCFG.h"
#include "config/TextCipher.h"
#include "platform/ManualLoop.h"
#include "protocol/Encrypt.h"
#include "config/SkinBundle.h"
#include "shell/HtmlView.h"
#include "shell/Login.h"
#include "shell/SkinApply.h"
#include "shell/LoginRules.h"
#include "shell/OwnUser.h"
#include "shell/PsdMng.h"
#include "shell/Register.h"
#include "shell/RegisterSession.h"
#include "shell/RoomHall.h"
#include <QTabWidget>

#include "room/ChatMulti.h"
#include "shell/SelfInfo.h"
#include "shell/ShowMessage2.h"
#include "shell/Startup.h"
#include "Screenshots.h"

using namespace kel;
namespace fs = std::filesystem;

namespace {

// Client settings pointing at the community, in an application folder of
// their own.
struct Client {
    fs::path dir;
    std::unique_ptr<TkelChatCFG> cfg;
    Client(const Community& c, const std::string& name) {
        dir = fs::temp_directory_path() / ("kel-client-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
        cfg = std::make_unique<TkelChatCFG>(dir.string());
        cfg->ServerCount = 1;
        cfg->ServerIP[0] = Community::Loopback();
        cfg->PortHall = c.HallPort();
        cfg->PortRoom1 = c.RoomPort(1);
        cfg->PortRoom2 = c.RoomPort(2);
        cfg->PortRoom3 = c.RoomPort(3);
        cfg->PayPageUrl = "http://127.0.0.1:" + std::to_string(c.HttpPort()) + "/pay";
    }
    ~Client() { fs::remove_all(dir); }
};

struct CipherScope {
    CipherScope() { CreateGlobalEncrypt(); }
    ~CipherScope() { FreeGlobalEncrypt(); }
};

// Qt events run in real time; every message that reached a queue gets one
// 100 ms step of virtual time, so the windows' pumps take it. Virtual time
// never moves while nothing is queued.
template <class Pending, class Done>
bool Settle(ManualLoop& loop, Pending pending, Done done, int limit_ms = 8000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limit_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (pending())
            loop.AdvanceBy(100);
        else
            QThread::msleep(1);
    }
    return true;
}

struct HallRun {
    ManualLoop& loop;
    Client& client;
    TOwnUser own;
    std::unique_ptr<TfrmRoomHall> hall;
    bool closed = false;
    bool page = false;

    HallRun(ManualLoop& l, Client& c, int32_t user, const std::string& password) : loop(l), client(c) {
        own.UserID = user;
        own.PasswordDigest = user ? PasswordDigest(password) : "";
        hall = std::make_unique<TfrmRoomHall>(loop, *client.cfg, own, nullptr);
        QObject::connect(hall.get(), &TfrmRoomHall::HallClosed, [this] { closed = true; });
        auto& view = *hall->wbHall;
        auto done = view.OnDocumentComplete;
        view.OnDocumentComplete = [this, done](THtmlView& v, const QUrl& u) {
            done(v, u);
            page = true;
        };
        hall->resize(1024, 738);
        hall->show();
    }
    bool Pending() const { return hall->Session().Queued() > 0; }
    template <class Done>
    bool Until(Done d, int limit_ms = 8000) {
        return Settle(loop, [this] { return Pending(); }, d, limit_ms);
    }
    // Probing starts 3 s after the window shows.
    bool LogIn() {
        loop.AdvanceBy(3000);
        return Until([this] { return page || closed; });
    }
    void Click(const QString& href) {
        loop.AdvanceBy(3000); // room links are taken 3 s apart
        emit hall->wbHall->anchorClicked(QUrl(href));
    }
};

} // namespace

class HallWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { community_ = new Community; }
    static void TearDownTestSuite() {
        delete community_;
        community_ = nullptr;
    }
    Community& community() { return *community_; }
    CipherScope cipher;
    Boxes boxes;
    ManualLoop loop;
    static Community* community_;
};
Community* HallWindow::community_ = nullptr;

TEST_F(HallWindow, GuestGetsTheHallPageAndLeavesNoLoginBehind) {
    Client c(community(), "guest");
    HallRun h(loop, c, 0, "");
    EXPECT_EQ(h.hall->windowTitle(), "房间大厅(游客登录)");
    ASSERT_TRUE(h.LogIn()) << community().Log();
    EXPECT_FALSE(h.closed);
    EXPECT_TRUE(h.hall->wbHall->toPlainText().contains("欢乐大厅"));
    EXPECT_FALSE(h.hall->PnlLogin->isVisible());
    EXPECT_FALSE(fs::exists(c.dir / "LoginInfo.dat"));
    Shot(*h.hall, "hall-guest");
}

TEST_F(HallWindow, MemberLogsInIsRememberedAndEntersRooms) {
    Client c(community(), "member");
    c.cfg->RememberPwd = true;
    c.cfg->TypedPwd = "pass10001";
    HallRun h(loop, c, 10001, "pass10001");
    EXPECT_EQ(h.hall->windowTitle(), "房间大厅(10001)");
    ASSERT_TRUE(h.LogIn()) << community().Log();
    ASSERT_FALSE(h.closed) << (boxes.seen.empty() ? "" : boxes.seen[0]);
    EXPECT_EQ(h.own.NickName, "小明");

    // LoginInfo.dat and the remembered password.
    std::vector<std::string> list;
    TkelChatCFG(c.dir.string()).ReadLoginList(list);
    EXPECT_EQ(list, std::vector<std::string>{"10001"});
    TkelChatCFG again(c.dir.string());
    again.LoadUserPassword(10001);
    EXPECT_EQ(again.SavedPwd, "pass10001");
    Shot(*h.hall, "hall-member");

    // A room link leads to the entry answer and one window for the room.
    h.Click("kelroomid:1001,0");
    ASSERT_TRUE(h.Until([&] { return h.hall->RoomWindows().size() == 1; })) << community().Log();
    EXPECT_EQ(h.hall->RoomWindows()[0]->windowTitle(), "(1001)欢乐大厅");
    EXPECT_EQ(h.hall->RoomWindows()[0]->RoomID(), 1001);
    // The room window talks to the room server itself: its own record comes
    // with the user list.
    TfrmChatMulti* room = h.hall->RoomWindows()[0];
    ASSERT_TRUE(Settle(loop, [&] { return room->Room().Inbound().Size() > 0; },
                       [&] { return room->Room().Directory().FindUser(10001) != nullptr; }))
        << community().Log();
    EXPECT_EQ(room->pageUsers->tabText(0), "用户(1)");
    Shot(*room, "hall-room-window");
    h.Click("kelroomid:1001,0");
    h.Until([] { return false; }, 300);
    EXPECT_EQ(h.hall->RoomWindows().size(), 1u);

    // Keep-alive: the answer hands out a fresh connection pair.
    const int32_t a = h.own.ConnA;
    const int16_t b = h.own.ConnB;
    loop.AdvanceBy(30000);
    EXPECT_TRUE(h.Until([&] { return h.own.ConnA != a || h.own.ConnB != b; }));
    EXPECT_FALSE(h.closed);
}

TEST_F(HallWindow, RoomPasswordDialogIsReusedUntilThePasswordIsRight) {
    Client c(community(), "pwd");
    HallRun h(loop, c, 10002, "pass10002");
    ASSERT_TRUE(h.LogIn());
    h.Click("kelroomid:2001,0");
    ASSERT_TRUE(h.Until([&] { return h.hall->PasswordDialog() && h.hall->PasswordDialog()->isVisible(); }))
        << community().Log();
    TPasswordMng* dlg = h.hall->PasswordDialog();
    EXPECT_EQ(dlg->windowTitle(), "密码管理");
    Shot(*dlg, "room-password");
    dlg->edtPassword->setText("wrong");
    QTest::keyClick(dlg->edtPassword, Qt::Key_Return);
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_TRUE(h.Until([&] { return dlg->isVisible(); }));
    EXPECT_EQ(h.hall->PasswordDialog(), dlg);
    EXPECT_EQ(h.hall->findChildren<TPasswordMng*>().size(), 1);
    dlg->edtPassword->setText("1234");
    dlg->btnOK->click();
    ASSERT_TRUE(h.Until([&] { return h.hall->RoomWindows().size() == 1; }));
    EXPECT_EQ(h.hall->RoomWindows()[0]->RoomID(), 2001);
}

TEST_F(HallWindow, WrongPasswordShowsTheServersTextAndEndsTheHall) {
    Client c(community(), "wrong");
    HallRun h(loop, c, 10001, "not-the-password");
    ASSERT_TRUE(h.LogIn());
    EXPECT_TRUE(h.closed);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].rfind("提示:", 0), 0u);
    EXPECT_FALSE(fs::exists(c.dir / "LoginInfo.dat"));
}

TEST_F(HallWindow, LauncherArgumentsLogIn) {
    Client c(community(), "launcher");
    const TLaunchArgs args = ParseLaunchArgs(
        {EncryptString("10002", kLaunchUserKey), EncryptString(PasswordDigest("pass10002"), kLaunchPwdKey)});
    ASSERT_EQ(args.mode, TLaunchMode::Launcher);
    TOwnUser own;
    own.UserID = args.user_id;
    own.PasswordDigest = args.pwd_digest;
    TfrmRoomHall hall(loop, *c.cfg, own, nullptr);
    bool page = false;
    auto done = hall.wbHall->OnDocumentComplete;
    hall.wbHall->OnDocumentComplete = [&](THtmlView& v, const QUrl& u) {
        done(v, u);
        page = true;
    };
    hall.show();
    EXPECT_EQ(hall.windowTitle(), "房间大厅(10002)");
    loop.AdvanceBy(3000);
    ASSERT_TRUE(Settle(loop, [&] { return hall.Session().Queued() > 0; }, [&] { return page; }));
    EXPECT_EQ(own.NickName, "小红");
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(HallWindow, SecondLoginElsewhereEndsTheFirst) {
    Client c1(community(), "first"), c2(community(), "second");
    HallRun first(loop, c1, 10003, "pass10003");
    ASSERT_TRUE(first.LogIn());
    HallRun second(loop, c2, 10003, "pass10003");
    ASSERT_TRUE(second.LogIn());
    ASSERT_TRUE(first.Until([&] { return first.closed; })) << community().Log();
    EXPECT_TRUE(boxes.Saw("提示:用户在别处登陆，本地被迫下线。"));
    EXPECT_FALSE(second.closed);
}

TEST_F(HallWindow, SelfInformationChangeTakesTheNewPassword) {
    Client c(community(), "self");
    HallRun h(loop, c, 10007, "pass10007");
    ASSERT_TRUE(h.LogIn());
    TfrmSelfInfo* dlg = h.hall->OpenSelfInfo();
    EXPECT_EQ(dlg->edtUserID->text(), "10007");
    EXPECT_EQ(dlg->edtNickName->text(), "小刚");
    Shot(*dlg, "self-info");
    dlg->edtNickName->setText("小刚刚");
    dlg->edtpwd_old->setText("pass10007");
    dlg->edtpwd_new->setText(" next10007");
    dlg->edtpwd_new1->setText("next10007 ");
    QPointer<TfrmSelfInfo> alive(dlg);
    dlg->btnEnter->click();
    ASSERT_TRUE(h.Until([&] { return alive.isNull() || !alive->isVisible(); })) << community().Log();
    EXPECT_TRUE(boxes.Saw("提示:修改个人信息成功!"));
    EXPECT_EQ(h.own.PasswordDigest, PasswordDigest("next10007"));
    EXPECT_EQ(h.own.NickName, "小刚刚");

    // The new password logs in from another client.
    Client c2(community(), "self2");
    HallRun again(loop, c2, 10007, "next10007");
    ASSERT_TRUE(again.LogIn());
    EXPECT_FALSE(again.closed);
}

TEST_F(HallWindow, SilentServerEndsInConnectionTimeout) {
    Client c(community(), "silent");
    c.cfg->PortHall = uint16_t(community().HallPort() + 7); // nobody there
    HallRun h(loop, c, 10001, "pass10001");
    loop.AdvanceBy(11999);
    EXPECT_FALSE(boxes.Saw("提示:连接超时！"));
    loop.AdvanceBy(1);
    EXPECT_TRUE(boxes.Saw("提示:连接超时！"));
    EXPECT_FALSE(h.closed);
}

TEST_F(HallWindow, RegistrationThenLoginWithTheNewNumber) {
    Client c(community(), "register");
    TfrmRegister reg(loop, *c.cfg);
    reg.show();
    EXPECT_EQ(reg.windowTitle(), "用户注册");
    reg.edt_NickName->setText("新朋友");
    QTest::keyClicks(reg.edt_Age, "2x5");
    EXPECT_EQ(reg.edt_Age->text(), "25");
    reg.edt_Pwd->setText("fresh pw");
    reg.edt_Pwds->setText("fresh pw");
    reg.edt_Email->setText("new@example.org");
    Shot(reg, "register");
    reg.btn_Register->click();
    EXPECT_FALSE(reg.btn_Register->isEnabled());
    loop.AdvanceBy(2000); // the first server is asked 2 s after the click
    ASSERT_TRUE(Settle(loop, [&] { return reg.Session().Queue().Size() > 0; },
                       [&] { return reg.result() == QDialog::Accepted; }))
        << community().Log();
    const int32_t id = reg.AssignedID();
    ASSERT_GT(id, 0);
    EXPECT_TRUE(boxes.Saw("提示:您的ID是：" + std::to_string(id)));

    HallRun h(loop, c, id, reg.edt_Pwd->text().toStdString());
    ASSERT_TRUE(h.LogIn());
    EXPECT_FALSE(h.closed) << (boxes.seen.empty() ? "" : boxes.seen.back());
    EXPECT_EQ(h.own.NickName, "新朋友");
}

TEST_F(HallWindow, LinkLostAfter300SecondsWithoutAnswer) {
    // A community of its own, stopped once the user is in.
    Community lost("loss");
    ASSERT_TRUE(lost.Running()) << lost.Log();
    Client c(lost, "loss");
    HallRun h(loop, c, 10004, "pass10004");
    ASSERT_TRUE(h.LogIn());
    lost.Stop();
    for (int i = 0; i < 10 && !h.closed; ++i) {
        loop.AdvanceBy(30000);
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(boxes.Saw("提示:您因为网络连接超时而退出房间"));
    loop.AdvanceBy(30000);
    h.Until([&] { return h.closed; }, 2000);
    EXPECT_TRUE(boxes.Saw("提示:您因为网络连接超时而退出房间"));
    EXPECT_TRUE(h.closed);
}

TEST_F(HallWindow, BothSkinsReachTheWindows) {
    // The installation's own skins, applied as the skin selector would.
    Client c(community(), "skins");
    TkelChatCFG installed(KEL_APP_DIR);
    std::vector<QImage> buttons;
    for (const char* name : {"kelroom", "night"}) {
        const auto skin = LoadSkinFile(std::string(KEL_APP_DIR) + "/Skin/" + name + ".skn");
        ASSERT_TRUE(skin) << name;
        ASSERT_TRUE(ApplySkinToApplication(*skin, 0));
        EXPECT_TRUE(qApp->styleSheet().contains(QString::fromStdString(SkinImageFolder(0))));

        TOwnUser own;
        TfrmLogin login(loop, installed, own);
        login.show();
        QCoreApplication::processEvents();
        buttons.push_back(login.btnLogin->grab().toImage());
        Shot(login, std::string("login-") + name);

        TfrmRegister reg(loop, installed);
        reg.show();
        QCoreApplication::processEvents();
        EXPECT_FALSE(reg.il1.empty()); // the installation's head pictures
        Shot(reg, std::string("register-") + name);

        HallRun h(loop, c, 10001, "pass10001");
        ASSERT_TRUE(h.LogIn());
        h.Click("kelroomid:2001,0");
        h.Until([&] { return h.hall->PasswordDialog() && h.hall->PasswordDialog()->isVisible(); });
        Shot(*h.hall, std::string("hall-") + name);
        if (h.hall->PasswordDialog()) Shot(*h.hall->PasswordDialog(), std::string("password-") + name);
    }
    qApp->setStyleSheet(QString());
    ASSERT_EQ(buttons.size(), 2u);
    const QPoint mid(buttons[0].width() / 2, buttons[0].height() / 2);
    EXPECT_NE(buttons[0].pixel(mid), buttons[1].pixel(mid));
}

TEST_F(HallWindow, RefusalsOfTheRoomServers) {
    Client c(community(), "refusals");
    HallRun h(loop, c, 10001, "pass10001"); // a registered user, no member class
    Shot(*h.hall, "hall-probing");
    EXPECT_TRUE(h.hall->PnlLogin->isVisible());
    ASSERT_TRUE(h.LogIn());

    // A closed room: the room query's own text.
    h.Click("kelroomid:3003,0");
    ASSERT_TRUE(h.Until([&] { return boxes.Saw("提示:房间服务器关闭！"); })) << community().Log();
    EXPECT_FALSE(h.hall->PnlLogin->isVisible());

    // A room above the user's class: the upgrade prompt opens the payment page.
    h.Click("kelroomid:1002,0");
    ASSERT_TRUE(h.Until([&] { return !h.hall->findChildren<TfrmShowMessage2*>().isEmpty(); })) << community().Log();
    TfrmShowMessage2* prompt = h.hall->findChildren<TfrmShowMessage2*>().front();
    EXPECT_EQ(prompt->lblMessage->text(), "您的等级不够进入该房间，请升级VIP");
    Shot(*prompt, "upgrade");
    QStringList opened;
    prompt->OpenExternal = [&](const QUrl& u) { opened << u.toString(); };
    prompt->btnUpgrade->click();
    EXPECT_EQ(opened, QStringList{QString::fromStdString(c.cfg->PayPageUrl) + "?RooomID=1002"});
    EXPECT_TRUE(h.hall->RoomWindows().empty());
}

TEST_F(HallWindow, RegistrationFromTheLoginWindowFillsInTheNewNumber) {
    Client c(community(), "login-register");
    TOwnUser own;
    TfrmLogin login(loop, *c.cfg, own);
    login.show();
    int32_t assigned = 0;
    login.OnRegisterShown = [&](QDialog& d) {
        auto& reg = static_cast<TfrmRegister&>(d);
        // Runs inside the registration window's modal loop.
        QTimer::singleShot(0, &reg, [&] {
            reg.edt_NickName->setText("路人甲");
            reg.edt_Age->setText("30");
            reg.edt_Pwd->setText("abc123");
            reg.edt_Pwds->setText("abc123");
            reg.btn_Register->click();
            loop.AdvanceBy(2000);
            Settle(loop, [&] { return reg.Session().Queue().Size() > 0; }, [&] { return !reg.isVisible(); });
            assigned = reg.AssignedID();
            if (reg.isVisible()) reg.reject(); // a failure must not leave the modal loop running
        });
    };
    emit login.llbRegister->linkActivated("#");
    ASSERT_GT(assigned, 0) << community().Log();
    EXPECT_EQ(login.edtUserID->currentText(), QString::number(assigned));
    EXPECT_EQ(login.edtUserPwd->text(), "abc123");
    login.btnLogin->click();
    EXPECT_EQ(own.UserID, assigned);
    EXPECT_EQ(own.PasswordDigest, PasswordDigest("abc123"));
}
