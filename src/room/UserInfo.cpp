#include "room/UserInfo.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kel {

namespace {

QLineEdit* Field(QFormLayout* form, const char* label, const char* name) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    e->setReadOnly(true);
    form->addRow(QString::fromUtf8(label), e);
    return e;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TfrmUserInfo::TfrmUserInfo(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("TfrmUserInfo");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("查看资料");
    pages = new QTabWidget(this);
    auto* basic = new QWidget;
    auto* bf = new QFormLayout(basic);
    edtUserID = Field(bf, "用户号码", "edtUserID");
    edtNickName = Field(bf, "用户昵称", "edtNickName");
    edtUserLevel = Field(bf, "用户等级", "edtUserLevel");
    edtUserScore = Field(bf, "用户积分", "edtUserScore");
    edtSex = Field(bf, "性别", "edtSex");
    edtAge = Field(bf, "年龄", "edtAge");
    memNote = new QPlainTextEdit;
    memNote->setObjectName("memNote");
    memNote->setReadOnly(true);
    memNote->setFixedHeight(70);
    bf->addRow("个人说明", memNote);
    pages->addTab(basic, "基本信息");
    auto* contact = new QWidget;
    auto* cf = new QFormLayout(contact);
    edtCountry = Field(cf, "国家", "edtCountry");
    edtProvince = Field(cf, "省份", "edtProvince");
    edtPhone = Field(cf, "电话", "edtPhone");
    edtMobile = Field(cf, "手机", "edtMobile");
    edtEmail = Field(cf, "EMail", "edtEmail");
    edtQQ = Field(cf, "QQ", "edtQQ");
    lbIsVisable = new QLabel;
    lbIsVisable->setObjectName("lbIsVisable");
    cf->addRow(lbIsVisable);
    pages->addTab(contact, "联系方式");
    btnUpdate = new QPushButton("更新");
    btnUpdate->setObjectName("btnUpdate");
    btnClose = new QPushButton("关闭");
    btnClose->setObjectName("btnClose");
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnUpdate);
    buttons->addWidget(btnClose);
    auto* v = new QVBoxLayout(this);
    v->addWidget(pages);
    v->addLayout(buttons);
    resize(340, 380);
}

void TfrmUserInfo::Fill(const TUserProfile& p) {
    // Line edits and the note show plain text: nothing from the server is markup here.
    edtUserID->setText(QString::number(p.UserID));
    edtNickName->setText(Q(p.NickName));
    edtUserLevel->setText(Q(p.LevelText));
    edtUserScore->setText("0");
    edtSex->setText(p.Sex == 0 ? "男" : "女");
    edtAge->setText(QString::number(p.Age));
    memNote->setPlainText(Q(p.Note));
    if (p.ContactHidden) {
        for (QLineEdit* e : {edtCountry, edtProvince, edtPhone, edtMobile, edtEmail, edtQQ}) e->clear();
        lbIsVisable->setText("该用户信息不公开");
    } else {
        lbIsVisable->clear();
        edtCountry->setText(Q(p.Country));
        edtProvince->setText(Q(p.Province));
        edtPhone->setText(Q(p.Phone));
        edtMobile->setText(Q(p.Mobile));
        edtEmail->setText(Q(p.Email));
        edtQQ->setText(Q(p.QQ));
        pages->setCurrentIndex(1);
    }
}

} // namespace kel
