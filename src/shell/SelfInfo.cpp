#include "shell/SelfInfo.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/LoginRules.h"
#include "shell/OwnUser.h"
#include "shell/SkinMessage.h"

namespace kel {

TfrmSelfInfo::TfrmSelfInfo(const TOwnUser& own, QWidget* parent) : QDialog(parent), own_(own) {
    setObjectName("TfrmSelfInfo");
    setWindowTitle("个人资料");
    setAttribute(Qt::WA_DeleteOnClose);
    auto edit = [this](const char* name, bool password) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        if (password) e->setEchoMode(QLineEdit::Password);
        return e;
    };
    edtUserID = edit("edtUserID", false);
    edtUserID->setReadOnly(true);
    edtNickName = edit("edtNickName", false);
    edtNickName->setMaxLength(30);
    edtpwd_old = edit("edtpwd_old", true);
    edtpwd_new = edit("edtpwd_new", true);
    edtpwd_new1 = edit("edtpwd_new1", true);
    btnEnter = new QPushButton("确定", this);
    btnEnter->setObjectName("btnEnter");
    btnEnter->setDefault(true);
    btnCancel = new QPushButton("取消", this);
    btnCancel->setObjectName("btnCancel");

    auto* form = new QFormLayout;
    form->addRow("号码：", edtUserID);
    form->addRow("昵称：", edtNickName);
    form->addRow("旧密码：", edtpwd_old);
    form->addRow("新密码：", edtpwd_new);
    form->addRow("确认新密码：", edtpwd_new1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnEnter);
    buttons->addWidget(btnCancel);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(18, 14, 18, 12);
    v->addLayout(form);
    v->addLayout(buttons);
    setFixedWidth(320);

    edtUserID->setText(QString::number(own_.UserID));
    edtNickName->setText(QString::fromStdString(own_.NickName));
    connect(btnEnter, &QPushButton::clicked, this, [this] { btnEnterClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { close(); });
}

void TfrmSelfInfo::btnEnterClick() {
    const auto c = CheckSelfInfo(edtpwd_old->text().toStdString(), edtpwd_new->text().toStdString(),
                                 edtpwd_new1->text().toStdString(), own_.PasswordDigest);
    if (!c.ok) {
        TSkinMessage::ShowMessage(this, QString::fromStdString(c.message));
        return;
    }
    if (OnChange) OnChange(edtNickName->text().toStdString(), c.new_digest, own_.PasswordDigest);
}

void TfrmSelfInfo::Answered(int32_t status) {
    if (status != 0) {
        TSkinMessage::ShowMessage(this, "修改个人信息失败!");
        return;
    }
    TSkinMessage::ShowMessage(this, "修改个人信息成功!");
    close();
}

} // namespace kel
