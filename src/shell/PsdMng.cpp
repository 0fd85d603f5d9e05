#include "shell/PsdMng.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kel {

TPasswordMng::TPasswordMng(QWidget* parent) : QDialog(parent) {
    setObjectName("TPasswordMng");
    setWindowTitle("密码管理");
    setModal(false);
    lblPrompt = new QLabel("请输入房间密码：", this);
    lblPrompt->setObjectName("lblPrompt");
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName("edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setMaxLength(20);
    btnOK = new QPushButton("确定", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("取消", this);
    btnCancel->setObjectName("btnCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(18, 14, 18, 12);
    v->addWidget(lblPrompt);
    v->addWidget(edtPassword);
    v->addLayout(buttons);
    setFixedWidth(300);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(edtPassword, &QLineEdit::returnPressed, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void TPasswordMng::btnOKClick() {
    const std::string text = edtPassword->text().toStdString();
    accept();
    if (OnPassword) OnPassword(text);
}

} // namespace kel
