#include "shell/Login.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "config/ChatCFG.h"
#include "shell/LoginRules.h"
#include "shell/OwnUser.h"
#include "shell/Register.h"
#include "shell/SkinMessage.h"

namespace kel {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// A link label: plain text, underlined, that reports a click as
// linkActivated; skins colour it through QLabel[role="link"].
class TLinkLabel : public QLabel {
public:
    TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
        setTextFormat(Qt::PlainText);
        setProperty("role", "link");
        setCursor(Qt::PointingHandCursor);
        QFont f = font();
        f.setUnderline(true);
        setFont(f);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Link));
        setPalette(p);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit linkActivated("#");
    }
};

QLabel* LinkLabel(const QString& text, const char* name, QWidget* parent) {
    auto* l = new TLinkLabel(text, parent);
    l->setObjectName(name);
    return l;
}
} // namespace

TfrmLogin::TfrmLogin(ILoop& loop, TkelChatCFG& cfg, TOwnUser& own, QWidget* parent)
    : QDialog(parent), loop_(loop), cfg_(cfg), own_(own) {
    setObjectName("TfrmLogin");
    setWindowTitle("登录");
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);

    bsSkinPanel1 = new QFrame(this);
    bsSkinPanel1->setObjectName("bsSkinPanel1");
    lbl2 = new QLabel("号码：  ", bsSkinPanel1);
    lbl2->setObjectName("lbl2");
    edtUserID = new QComboBox(bsSkinPanel1);
    edtUserID->setObjectName("edtUserID");
    edtUserID->setEditable(true);
    edtUserID->setInsertPolicy(QComboBox::NoInsert);
    edtUserID->lineEdit()->installEventFilter(this);
    lbl1 = new QLabel("密码：  ", bsSkinPanel1);
    lbl1->setObjectName("lbl1");
    edtUserPwd = new QLineEdit(bsSkinPanel1);
    edtUserPwd->setObjectName("edtUserPwd");
    edtUserPwd->setEchoMode(QLineEdit::Password);
    CBMemPwd = new QCheckBox("记住密码", bsSkinPanel1);
    CBMemPwd->setObjectName("CBMemPwd");
    llbRegister = LinkLabel("申请号码", "llbRegister", bsSkinPanel1);
    LabDelUser = LinkLabel("删除用户", "LabDelUser", bsSkinPanel1);
    btnLogin = new QPushButton("登录", bsSkinPanel1);
    btnLogin->setObjectName("btnLogin");
    btnLogin->setDefault(true);
    btnCancel = new QPushButton("取消", bsSkinPanel1);
    btnCancel->setObjectName("btnCancel");
    btn_TouristUser = new QPushButton("游客登录", bsSkinPanel1);
    btn_TouristUser->setObjectName("btn_TouristUser");

    auto* grid = new QGridLayout(bsSkinPanel1);
    grid->setContentsMargins(24, 16, 24, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->addWidget(lbl2, 0, 0);
    grid->addWidget(edtUserID, 0, 1);
    grid->addWidget(llbRegister, 0, 2);
    grid->addWidget(lbl1, 1, 0);
    grid->addWidget(edtUserPwd, 1, 1);
    grid->addWidget(LabDelUser, 1, 2);
    grid->addWidget(CBMemPwd, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btn_TouristUser);
    buttons->addStretch(1);
    buttons->addWidget(btnLogin);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    // The panel lies directly under the banner, one pixel in from the sides.
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(1, 0, 1, 1);
    v->setSpacing(1);
    v->addWidget(Image1);
    v->addWidget(bsSkinPanel1, 1);

    connect(btnLogin, &QPushButton::clicked, this, [this] { btnLoginClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(btn_TouristUser, &QPushButton::clicked, this, [this] { btn_TouristUserClick(); });
    connect(edtUserID, &QComboBox::editTextChanged, this, [this](const QString& t) { edtUserIDChange(t); });
    connect(llbRegister, &QLabel::linkActivated, this, [this] { llbRegisterClick(); });
    connect(LabDelUser, &QLabel::linkActivated, this, [this] { LabDelUserClick(); });

    FormCreate();
    setFixedWidth(360);
}

void TfrmLogin::FormCreate() {
    std::vector<std::string> list;
    cfg_.ReadLoginList(list);
    for (const auto& n : list) edtUserID->addItem(Q(n));
    if (!list.empty())
        edtUserID->setCurrentIndex(0);
    else
        edtUserID->setEditText(QString());
    CBMemPwd->setChecked(cfg_.SavePwd);
    const QString banner = Q(cfg_.AppPath) + "Picture/Resource/HallLogin.bmp";
    if (QFile::exists(banner)) {
        QPixmap pm(banner);
        Image1->setPixmap(pm);
        Image1->setFixedHeight(pm.height());
    } else {
        Image1->hide();
    }
}

void TfrmLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

bool TfrmLogin::eventFilter(QObject* watched, QEvent* event) {
    // edtUserIDKeyPress: only digits and backspace reach the number field.
    if (watched == edtUserID->lineEdit() && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        const QString t = k->text();
        const bool ctrl = k->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (!ctrl && !t.isEmpty() && t.at(0).isPrint() && !UserIdKeyAllowed(t.at(0).unicode())) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmLogin::LoadSavedPassword(const QString& text) {
    // A pasted text that is no number loads nothing.
    const auto n = ParseUserNumber(TrimText(S(text)));
    if (!n || *n < 0) return;
    cfg_.LoadUserPassword(*n);
    edtUserPwd->setText(Q(cfg_.SavedPwd));
}

void TfrmLogin::edtUserIDChange(const QString& text) {
    if (!text.isEmpty()) LoadSavedPassword(text);
}

void TfrmLogin::btnLoginClick() {
    const TLoginCheck c = CheckLogin(S(edtUserID->currentText()), S(edtUserPwd->text()));
    if (!c.ok) {
        TSkinMessage::ShowMessage(this, Q(c.message));
        if (c.clear_fields) {
            edtUserID->setEditText(QString());
            edtUserPwd->clear();
            edtUserID->setFocus();
        }
        return;
    }
    own_.UserID = c.user_id;
    own_.PasswordDigest = c.digest;
    cfg_.RememberPwd = CBMemPwd->isChecked();
    cfg_.TypedPwd = c.password;
    cfg_.SaveLoginSet(CBMemPwd->isChecked());
    accept();
}

void TfrmLogin::btn_TouristUserClick() {
    own_.UserID = 0;
    own_.PasswordDigest.clear();
    accept();
}

void TfrmLogin::llbRegisterClick() {
    TfrmRegister reg(loop_, cfg_, this);
    if (OnRegisterShown) OnRegisterShown(reg);
    if (reg.exec() == QDialog::Accepted) {
        edtUserID->setEditText(QString::number(reg.AssignedID()));
        edtUserPwd->setText(reg.edt_Pwd->text());
    }
}

void TfrmLogin::LabDelUserClick() {
    const QString text = edtUserID->currentText();
    if (text.isEmpty()) return;
    if (!TSkinMessage::Confirm(this, "此操作将删除该帐号的所有信息")) return;
    if (!DeleteLocalUser(cfg_.AppPath, S(text))) return; // names no user folder
    // Keep the list in step with LoginInfo.dat: drop the entry of this number.
    const auto n = ParseUserNumber(TrimText(S(text)));
    for (int i = 0; i < edtUserID->count(); ++i) {
        if (ParseUserNumber(TrimText(S(edtUserID->itemText(i)))) == n) {
            edtUserID->removeItem(i);
            break;
        }
    }
    if (edtUserID->count() == 0) {
        edtUserID->setEditText(QString());
        edtUserPwd->clear();
    } else {
        edtUserID->setCurrentIndex(0);
    }
}

} // namespace kel
