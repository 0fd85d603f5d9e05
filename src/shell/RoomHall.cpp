#include "shell/RoomHall.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMetaObject>
#include <QTimer>

#include "config/ChatCFG.h"
#include "config/Emotion.h"
#include "config/Gift.h"
#include "config/LanguageRes.h"
#include "config/TypeCFG.h"
#include "config/SetSkin.h"
#include "foundation/kelDebug.h"
#include "protocol/Encrypt.h"
#include "protocol/MessageChannel.h"
#include "shell/HtmlView.h"
#include "shell/PsdMng.h"
#include "room/RoomEndpoint.h"
#include "shell/SelfInfo.h"
#include "shell/ShowMessage2.h"
#include "shell/SkinMessage.h"
#include "transport/PackUdp.h"

namespace kel {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

TfrmRoomHall::TfrmRoomHall(ILoop& loop, TkelChatCFG& cfg, TOwnUser& own, TSetSkin* skins, QWidget* parent)
    : QMainWindow(parent), loop_(loop), cfg_(cfg), own_(own), skins_(skins) {
    setObjectName("TfrmRoomHall");
    wbHall = new THtmlView(this);
    wbHall->setObjectName("wbHall");
    wbHall->setFrameShape(QFrame::NoFrame);
    setCentralWidget(wbHall);
    PnlLogin = new QLabel("准备初始化大厅", this);
    PnlLogin->setObjectName("PnlLogin");
    PnlLogin->setTextFormat(Qt::PlainText);
    PnlLogin->setAlignment(Qt::AlignCenter);
    PnlLogin->setFixedSize(320, 44);
    PnlLogin->setFrameShape(QFrame::StyledPanel);
    PnlLogin->setAutoFillBackground(true);
    BuildMenu();

    // The level catalogue, shared with every room window.
    if (!GlobalTypeCFG) {
        GlobalTypeCFG = new TkelTypeCFG(cfg_.AppPath + "UserLevel.ini");
        owns_catalogues_ = true;
    }

    // The hall's endpoint on any local port, its queue, and the session.
    udp_ = std::make_unique<TPackUdp>(loop);
    session_ = std::make_unique<THallSession>(
        loop, static_cast<IHallView&>(*this), own_, HallSettingsFrom(cfg_),
        [this](uint32_t ip, uint16_t port, const std::vector<uint8_t>& plain) {
            SendMessage(*udp_, *GlobalEncrypt, ip, port, plain.data(), int32_t(plain.size()));
        });
    RouteInbound(*udp_, *GlobalEncrypt, session_->Queue(), &THallSession::InboundFilter);
    udp_->SetPort(0);
    try {
        udp_->SetActive(true);
    } catch (const std::exception&) {
        // No endpoint: nothing answers, and probing ends in "连接超时！".
    }

    wbHall->OnBeforeNavigate = [this](THtmlView&, const QString& url, bool& cancel) {
        if (session_->BeforeNavigate(url.toStdString())) cancel = true;
    };
    wbHall->OnDocumentComplete = [this](THtmlView&, const QUrl&) { session_->DocumentComplete(); };

    const QString caption =
        QString("房间大厅(%1)").arg(own_.UserID == 0 ? QString("游客登录") : QString::number(own_.UserID));
    setWindowTitle(caption);
    QApplication::setApplicationName(caption);
}

TfrmRoomHall::~TfrmRoomHall() {
    // FormDestroy: the logout, then the endpoint stops before its queue goes.
    if (!destroyed_) session_->Shutdown();
    udp_->SetActive(false);
    for (auto& r : rooms_)
        if (r) delete r.data();
    // The rooms' leave requests get their short chance before the program ends.
    FinishLingeringEndpoints(TChatRoom::kLeaveLingerMs);
    if (owns_catalogues_) {
        delete GlobalGift;
        GlobalGift = nullptr;
        delete GlobalEmotion;
        GlobalEmotion = nullptr;
        delete GlobalLanguageRes;
        GlobalLanguageRes = nullptr;
        delete GlobalTypeCFG;
        GlobalTypeCFG = nullptr;
    }
}

uint16_t TfrmRoomHall::BoundPort() const { return udp_->Active() ? udp_->BoundPort() : 0; }

void TfrmRoomHall::BuildMenu() {
    QMenu* sys = menuBar()->addMenu("系统(&S)");
    sys->addAction("个人资料(&I)...", this, [this] { OpenSelfInfo(); });
    if (skins_ && skins_->SkinCount() > 0) {
        QMenu* skin_menu = sys->addMenu("皮肤(&K)");
        auto* group = new QActionGroup(skin_menu);
        for (int i = 0; i < skins_->SkinCount(); ++i) {
            QAction* a = skin_menu->addAction(Q(skins_->SkinNames()[size_t(i)]));
            a->setCheckable(true);
            a->setChecked(i == skins_->gSkinIndex());
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this, i] { skins_->ApplySkin(i); });
        }
    }
    sys->addSeparator();
    sys->addAction("关于此软件(&A)...", this, [this] {
        TSkinMessage::ShowMessage(this, "聊天室 — 语音视频聊天社区客户端", "关于此软件");
    });
    sys->addAction("退出(&X)", this, [this] { close(); });
}

void TfrmRoomHall::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    // FormShow: the window's bounds, then probing starts.
    setGeometry(1, 1, 1024 - 1, 738 - 1);
    PlaceStatus();
    // The gift and emotion catalogues, loaded once for all room windows.
    if (owns_catalogues_) {
        if (!GlobalGift) GlobalGift = new TGift(cfg_.AppPath + "Gift.dat");
        if (!GlobalEmotion) GlobalEmotion = new TEmotion(cfg_.AppPath + "Picture/Face/");
        if (!GlobalLanguageRes) {
            // Without the library the phrase menus stay empty; the room still works.
            GlobalLanguageRes = new TLanguageRes;
            if (!GlobalLanguageRes->Load(cfg_.AppPath)) Log("fun phrases: " + std::string(kLanguageResName) + " not loaded");
        }
    }
    session_->Start();
}

void TfrmRoomHall::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    PlaceStatus();
}

void TfrmRoomHall::PlaceStatus() {
    const QRect area = centralWidget()->geometry();
    PnlLogin->move(area.center() - QPoint(PnlLogin->width() / 2, PnlLogin->height() / 2));
    PnlLogin->raise();
}

void TfrmRoomHall::closeEvent(QCloseEvent* event) {
    CloseAllRooms();
    if (psd_) psd_->close();
    QMainWindow::closeEvent(event);
    emit HallClosed();
}

bool TfrmRoomHall::eventFilter(QObject* watched, QEvent* event) {
    // Screen order of the room windows: an activated one moves to the front.
    if (event->type() == QEvent::WindowActivate) {
        auto it = std::find_if(rooms_.begin(), rooms_.end(), [watched](const auto& p) { return p == watched; });
        if (it != rooms_.end()) std::rotate(rooms_.begin(), it, it + 1);
    }
    return QMainWindow::eventFilter(watched, event);
}

TfrmSelfInfo* TfrmRoomHall::OpenSelfInfo() {
    auto* dlg = new TfrmSelfInfo(own_, this);
    dlg->OnChange = [this](const std::string& nick, const std::string& new_digest, const std::string& current) {
        session_->ChangeSelfInfo(nick, new_digest, current);
    };
    dlg->show();
    return dlg;
}

int32_t TfrmRoomHall::VideoDeviceIndex() const { return kel::VideoDeviceIndex(cfg_.AppPath); }

std::vector<TfrmChatMulti*> TfrmRoomHall::RoomWindows() const {
    std::vector<TfrmChatMulti*> out;
    for (const auto& r : rooms_)
        if (r) out.push_back(r);
    return out;
}

// ---- IHallView

void TfrmRoomHall::SetStatus(const std::string& text) { PnlLogin->setText(Q(text)); }

void TfrmRoomHall::SetStatusVisible(bool visible) {
    PnlLogin->setVisible(visible);
    if (visible) PnlLogin->raise();
}

void TfrmRoomHall::ShowMessage(const std::string& text) { TSkinMessage::ShowMessage(this, Q(text)); }

bool TfrmRoomHall::Confirm(const std::string& text, const std::string& caption) {
    return TSkinMessage::Confirm(this, Q(text), Q(caption));
}

void TfrmRoomHall::CloseHall() {
    // Not from inside the session's own timer: the window closes once the
    // current handler has returned.
    destroyed_ = true;
    session_->Shutdown();
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void TfrmRoomHall::Navigate(const std::string& url) { wbHall->Navigate(Q(url)); }

void TfrmRoomHall::ShowRoomPassword() {
    if (!psd_) {
        psd_ = new TPasswordMng(this);
        psd_->OnPassword = [this](const std::string& pwd) { session_->RoomPasswordEntered(pwd); };
    }
    psd_->show();
    psd_->raise();
    psd_->activateWindow();
}

void TfrmRoomHall::ShowUpgrade(int32_t room_number) {
    auto* prompt = new TfrmShowMessage2(Q(cfg_.PayPageUrl), room_number, this);
    prompt->show();
}

void TfrmRoomHall::SelfInfoAnswered(int32_t status) {
    for (TfrmSelfInfo* dlg : findChildren<TfrmSelfInfo*>())
        if (dlg->isVisible()) dlg->Answered(status);
}

bool TfrmRoomHall::HasCamera() {
    return !QDir("/dev").entryList({"video*"}, QDir::System).isEmpty();
}

std::vector<int32_t> TfrmRoomHall::OpenRooms() {
    std::vector<int32_t> ids;
    for (const auto& r : rooms_)
        if (r) ids.push_back(r->RoomID());
    return ids;
}

void TfrmRoomHall::BringRoomToFront(int32_t room_id) {
    for (const auto& r : rooms_) {
        if (r && r->RoomID() == room_id) {
            r->showNormal();
            r->raise();
            r->activateWindow();
            auto it = std::find(rooms_.begin(), rooms_.end(), r);
            std::rotate(rooms_.begin(), it, it + 1);
            return;
        }
    }
}

void TfrmRoomHall::CloseRoom(int32_t room_id) {
    for (auto& r : rooms_) {
        if (r && r->RoomID() == room_id) {
            TfrmChatMulti* w = r;
            r = nullptr;
            delete w;
        }
    }
    std::erase_if(rooms_, [](const auto& p) { return p.isNull(); });
}

void TfrmRoomHall::CloseAllRooms() {
    for (auto& r : rooms_) {
        TfrmChatMulti* w = r;
        r = nullptr;
        delete w;
    }
    rooms_.clear();
}

void TfrmRoomHall::OpenRoom(const RoomEntryAnswer& answer, uint32_t room_server_ip) {
    std::erase_if(rooms_, [](const auto& p) { return p.isNull(); });
    auto* w = new TfrmChatMulti(loop_, cfg_, own_, skins_, this);
    w->installEventFilter(this);
    rooms_.insert(rooms_.begin(), w);
    w->InitRoom(answer.UserID, own_.NickName, answer.UserType, answer.ManagerLevel, answer.RightLevel,
                answer.MicRight, answer.Room, room_server_ip, answer.RoomTicket, answer.Extra);
    w->show();
}

void TfrmRoomHall::LoginAccepted(const LoginAnswer&) {}

} // namespace kel
