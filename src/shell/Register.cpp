#include "shell/Register.h"

#include <QBitmap>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "config/ChatCFG.h"
#include "protocol/Encrypt.h"
#include "protocol/MessageChannel.h"
#include "shell/RegisterSession.h"
#include "shell/SkinMessage.h"
#include "transport/PackUdp.h"

namespace kel {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
constexpr int kMenuColumns = 10;
} // namespace

class TfrmRegister::View : public IRegisterView {
public:
    explicit View(TfrmRegister& f) : f_(f) {}
    void ShowMessage(const std::string& text) override { TSkinMessage::ShowMessage(&f_, Q(text)); }
    void SetRegisterEnabled(bool enabled) override { f_.btn_Register->setEnabled(enabled); }
    void CloseOk() override { f_.accept(); }

private:
    TfrmRegister& f_;
};

TfrmRegister::TfrmRegister(ILoop& loop, TkelChatCFG& cfg, QWidget* parent)
    : QDialog(parent), cfg_(cfg), view_(std::make_unique<View>(*this)) {
    setObjectName("TfrmRegister");
    setWindowTitle("用户注册");
    setModal(true);

    auto edit = [this](const char* name, int max_len) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(max_len);
        return e;
    };
    edt_NickName = edit("edt_NickName", 30);
    edt_Age = edit("edt_Age", 3);
    edt_Age->installEventFilter(this);
    cbb_Sex = new QComboBox(this);
    cbb_Sex->setObjectName("cbb_Sex");
    cbb_Sex->addItems({"男", "女"});
    edt_Pwd = edit("edt_Pwd", 32);
    edt_Pwd->setEchoMode(QLineEdit::Password);
    edt_Pwds = edit("edt_Pwds", 32);
    edt_Pwds->setEchoMode(QLineEdit::Password);
    img1 = new QLabel(this);
    img1->setObjectName("img1");
    img1->setFixedSize(36, 36);
    img1->setAlignment(Qt::AlignCenter);
    btn_Head = new QToolButton(this);
    btn_Head->setObjectName("btn_Head");
    btn_Head->setText("...");
    bsknmgsmn1 = new QMenu(this);
    bsknmgsmn1->setObjectName("bsknmgsmn1");
    edt_Country = edit("edt_Country", 50);
    edt_Province = edit("edt_Province", 50);
    edt_Phone = edit("edt_Phone", 30);
    edt_Mobile = edit("edt_Mobile", 30);
    edt_Email = edit("edt_Email", 30);
    edt_QQ = edit("edt_QQ", 30);
    mmo_Note = new QPlainTextEdit(this);
    mmo_Note->setObjectName("mmo_Note");
    mmo_Note->setFixedHeight(70);
    btn_Register = new QPushButton("注册", this);
    btn_Register->setObjectName("btn_Register");
    btn_Register->setDefault(true);
    btn_Cancel = new QPushButton("取消", this);
    btn_Cancel->setObjectName("btn_Cancel");

    auto* head = new QHBoxLayout;
    head->addWidget(img1);
    head->addWidget(btn_Head);
    head->addStretch(1);

    auto* left = new QFormLayout;
    left->addRow("昵称：", edt_NickName);
    left->addRow("年龄：", edt_Age);
    left->addRow("性别：", cbb_Sex);
    left->addRow("密码：", edt_Pwd);
    left->addRow("确认密码：", edt_Pwds);
    left->addRow("头像：", head);
    auto* right = new QFormLayout;
    right->addRow("国家：", edt_Country);
    right->addRow("省份：", edt_Province);
    right->addRow("电话：", edt_Phone);
    right->addRow("手机：", edt_Mobile);
    right->addRow("邮箱：", edt_Email);
    right->addRow("QQ：", edt_QQ);
    auto* cols = new QHBoxLayout;
    cols->addLayout(left, 1);
    cols->addSpacing(16);
    cols->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_Register);
    buttons->addWidget(btn_Cancel);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 14, 16, 12);
    v->addLayout(cols);
    v->addWidget(new QLabel("自我介绍：", this));
    v->addWidget(mmo_Note);
    v->addLayout(buttons);
    setFixedWidth(560);

    connect(btn_Register, &QPushButton::clicked, this, [this] { btn_RegisterClick(); });
    connect(btn_Cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(btn_Head, &QToolButton::clicked, this, [this] { bsknmgsmn1->popup(QCursor::pos()); });

    // FormCreate: the endpoint, its queue and the pump.
    std::vector<uint32_t> servers(cfg_.ServerIP.begin(), cfg_.ServerIP.begin() + std::clamp(cfg_.ServerCount, 0, kMaxServers));
    udp_ = std::make_unique<TPackUdp>(loop);
    session_ = std::make_unique<TRegisterSession>(
        loop, *view_, std::move(servers), cfg_.PortHall,
        [this](uint32_t ip, uint16_t port, const std::vector<uint8_t>& plain) {
            SendMessage(*udp_, *GlobalEncrypt, ip, port, plain.data(), int32_t(plain.size()));
        });
    RouteInbound(*udp_, *GlobalEncrypt, session_->Queue());
    udp_->SetPort(0);
    try {
        udp_->SetActive(true);
    } catch (const std::exception&) {
        // Without an endpoint no answer can come; the tries end in "注册失败！".
    }
}

TfrmRegister::~TfrmRegister() {
    if (udp_) udp_->SetActive(false); // the receive thread stops before the queue goes
}

int32_t TfrmRegister::AssignedID() const { return session_->AssignedID(); }
uint16_t TfrmRegister::BoundPort() const { return udp_->Active() ? udp_->BoundPort() : 0; }

void TfrmRegister::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmRegister::FormShow() {
    for (QLineEdit* e : {edt_NickName, edt_Age, edt_Pwd, edt_Pwds, edt_Country, edt_Province, edt_Phone, edt_Mobile,
                         edt_Email, edt_QQ})
        e->clear();
    mmo_Note->clear();

    il1.clear();
    bsknmgsmn1->clear();
    head_index_ = -1;
    const QString strip = Q(cfg_.AppPath) + "Picture/ImgsHead16.bmp";
    if (QFile::exists(strip)) {
        // The strip holds square pictures side by side.
        const QPixmap all(strip);
        const int side = all.height();
        for (int x = 0; side > 0 && x + side <= all.width(); x += side) {
            QPixmap pic = all.copy(x, 0, side, side);
            // Magenta is the strip's transparent colour.
            pic.setMask(pic.createMaskFromColor(QColor(255, 0, 255)));
            il1.push_back(pic);
        }
    }
    if (!il1.empty()) {
        auto* grid_host = new QWidget(bsknmgsmn1);
        auto* grid = new QGridLayout(grid_host);
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setSpacing(2);
        for (size_t i = 0; i < il1.size(); ++i) {
            auto* b = new QToolButton(grid_host);
            b->setIcon(QIcon(il1[i]));
            b->setIconSize(il1[i].size());
            b->setAutoRaise(true);
            connect(b, &QToolButton::clicked, this, [this, i] {
                bsknmgsmn1->close();
                bsknmgsmn1ItemClick(int(i));
            });
            grid->addWidget(b, int(i) / kMenuColumns, int(i) % kMenuColumns);
        }
        auto* action = new QWidgetAction(bsknmgsmn1);
        action->setDefaultWidget(grid_host);
        bsknmgsmn1->addAction(action);
        bsknmgsmn1ItemClick(0);
    } else {
        img1->clear();
    }
}

void TfrmRegister::bsknmgsmn1ItemClick(int index) {
    if (index < 0 || size_t(index) >= il1.size()) return;
    head_index_ = index;
    img1->setPixmap(il1[size_t(index)].scaled(img1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

bool TfrmRegister::eventFilter(QObject* watched, QEvent* event) {
    // edt_AgeKeyPress: digits and backspace only.
    if (watched == edt_Age && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const QString t = k->text();
        const bool ctrl = k->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (!ctrl && !t.isEmpty() && t.at(0).isPrint() && !t.at(0).isDigit()) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmRegister::btn_RegisterClick() {
    TRegisterForm f;
    f.nickname = S(edt_NickName->text());
    f.age = S(edt_Age->text());
    f.sex = cbb_Sex->currentIndex();
    f.password = S(edt_Pwd->text());
    f.password2 = S(edt_Pwds->text());
    f.head_index = head_index_;
    f.country = S(edt_Country->text());
    f.province = S(edt_Province->text());
    f.phone = S(edt_Phone->text());
    f.mobile = S(edt_Mobile->text());
    f.email = S(edt_Email->text());
    f.qq = S(edt_QQ->text());
    f.note = S(mmo_Note->toPlainText());
    session_->Register(f);
}

void TfrmRegister::done(int result) {
    // FormClose: the pump stops and the endpoint closes; the owner frees
    // the window once.
    if (!closed_) {
        closed_ = true;
        session_->Stop();
        udp_->SetActive(false);
    }
    QDialog::done(result);
}

} // namespace kel
