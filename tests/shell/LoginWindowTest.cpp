// The login window on the offscreen platform, with real files.
#include "shell/Login.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "Boxes.h"
#include "config/ChatCFG.h"
#include "platform/IniFile.h"
#include "platform/ManualLoop.h"
#include "shell/LoginRules.h"
#include "shell/OwnUser.h"
#include "shell/SkinMessage.h"

using namespace kel;
namespace fs = std::filesystem;

namespace {

struct LoginFixture {
    fs::path dir = fs::temp_directory_path() / ("kel-login-win-" + std::to_string(getpid()));
    ManualLoop loop;
    Boxes boxes;
    std::unique_ptr<TkelChatCFG> cfg;
    TOwnUser own;
    std::unique_ptr<TfrmLogin> win;

    LoginFixture() {
        fs::remove_all(dir);
        fs::create_directories(dir);
        cfg = std::make_unique<TkelChatCFG>(dir.string());
        cfg->WriteLoginList("7");
        cfg->WriteLoginList("12");
        cfg->SaveUserPassword(12, "remembered");
        cfg->SaveLoginSet(true);
        cfg = std::make_unique<TkelChatCFG>(dir.string());
        cfg->SavePwd = true;
        own.UserID = -1;
        win = std::make_unique<TfrmLogin>(loop, *cfg, own);
        win->show();
    }
    ~LoginFixture() {
        win.reset();
        fs::remove_all(dir);
    }
};

} // namespace

TEST(LoginWindow, StartsWithTheRememberedNumbersAndTheirPassword) {
    LoginFixture f;
    ASSERT_EQ(f.win->edtUserID->count(), 2);
    EXPECT_EQ(f.win->edtUserID->itemText(0), "12");
    EXPECT_EQ(f.win->edtUserID->currentText(), "12");
    EXPECT_EQ(f.win->edtUserPwd->text(), "remembered");
    EXPECT_TRUE(f.win->CBMemPwd->isChecked());
    EXPECT_EQ(f.win->windowTitle(), "登录");
    // Choosing a number without a remembered password shows none.
    f.win->edtUserID->setCurrentIndex(1);
    EXPECT_EQ(f.win->edtUserPwd->text(), "");
}

TEST(LoginWindow, OnlyDigitsAndBackspaceReachTheNumberField) {
    LoginFixture f;
    QLineEdit* e = f.win->edtUserID->lineEdit();
    e->clear();
    QTest::keyClicks(e, "1a2 b-3");
    EXPECT_EQ(e->text(), "123");
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "12");
}

TEST(LoginWindow, LoginClickChecksAndFillsTheRecord) {
    struct Case {
        const char *user, *pwd;
        const char* box; // nullptr: accepted
        int32_t id;
    } cases[] = {
        {"   ", "x", "提示:用户号,密码不能为空！", 0},
        {"1x", "x", "提示:用户号密码为数字!", 0},
        {"-4", "x", "提示:用户号小于0!", 0},
        {"00012", " pw ", nullptr, 12},
    };
    for (const auto& c : cases) {
        LoginFixture f;
        f.win->edtUserID->setEditText(c.user);
        f.win->edtUserPwd->setText(c.pwd);
        f.win->CBMemPwd->setChecked(false);
        f.win->btnLogin->click();
        if (c.box) {
            EXPECT_EQ(f.boxes.seen, std::vector<std::string>{c.box}) << c.user;
            EXPECT_EQ(f.win->result(), 0);
            EXPECT_EQ(f.own.UserID, -1);
            continue;
        }
        EXPECT_TRUE(f.boxes.seen.empty());
        EXPECT_EQ(f.win->result(), QDialog::Accepted);
        EXPECT_EQ(f.own.UserID, c.id);
        EXPECT_EQ(f.own.PasswordDigest, PasswordDigest("pw"));
        EXPECT_EQ(f.cfg->TypedPwd, "pw");
        EXPECT_FALSE(f.cfg->RememberPwd);
        EXPECT_FALSE(TIniFile((f.dir / "Config.ini").string()).ReadBool("HallLoginSet", "SavePwd", true));
    }
}

TEST(LoginWindow, NonNumericNumberClearsBothFields) {
    LoginFixture f;
    f.win->edtUserID->setEditText("12x");
    f.win->edtUserPwd->setText("pw");
    f.win->btnLogin->click();
    EXPECT_EQ(f.win->edtUserID->currentText(), "");
    EXPECT_EQ(f.win->edtUserPwd->text(), "");
}

TEST(LoginWindow, GuestLeavesTheRememberedLoginsAlone) {
    LoginFixture f;
    const auto before = fs::last_write_time(f.dir / "LoginInfo.dat");
    f.win->btn_TouristUser->click();
    EXPECT_EQ(f.win->result(), QDialog::Accepted);
    EXPECT_EQ(f.own.UserID, 0);
    EXPECT_EQ(f.own.PasswordDigest, "");
    EXPECT_EQ(fs::last_write_time(f.dir / "LoginInfo.dat"), before);
}

TEST(LoginWindow, DeleteUserAsksFirstThenRemovesTheFolderAndTheEntry) {
    LoginFixture f;
    ASSERT_TRUE(fs::exists(f.dir / "12" / "Config.ini"));
    f.boxes.answer = false;
    emit f.win->LabDelUser->linkActivated("#");
    EXPECT_TRUE(fs::exists(f.dir / "12" / "Config.ini"));
    EXPECT_EQ(f.boxes.seen, std::vector<std::string>{"提示:此操作将删除该帐号的所有信息"});

    f.boxes.answer = true;
    emit f.win->LabDelUser->linkActivated("#");
    EXPECT_FALSE(fs::exists(f.dir / "12"));
    ASSERT_EQ(f.win->edtUserID->count(), 1);
    EXPECT_EQ(f.win->edtUserID->currentText(), "7");
    std::vector<std::string> list;
    TkelChatCFG(f.dir.string()).ReadLoginList(list);
    EXPECT_EQ(list, std::vector<std::string>{"7"});

    // A pasted "../.." names no user folder and touches nothing.
    f.win->edtUserID->setEditText("../..");
    emit f.win->LabDelUser->linkActivated("#");
    EXPECT_TRUE(fs::exists(f.dir / "Config.ini"));
    EXPECT_TRUE(fs::exists(f.dir / "LoginInfo.dat"));
}
