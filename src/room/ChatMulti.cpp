#include "room/ChatMulti.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "config/ChatCFG.h"
#include "config/Gift.h"
#include "config/LanguageRes.h"
#include "config/RightQuery.h"
#include "config/SetSkin.h"
#include "config/TypeCFG.h"
#include "foundation/kelUtils.h"
#include "protocol/Encrypt.h"
#include "config/Emotion.h"
#include "room/ChatArea.h"
#include "room/ChatLine.h"
#include "room/KelChatMng.h"
#include "room/KelControl.h"
#include "room/KelRoomMemo.h"
#include "room/PackUdpEndpoint.h"
#include "room/SubMenu.h"
#include "room/UserInfo.h"
#include "room/UserListView.h"
#include "shell/OwnUser.h"
#include "shell/SelfInfo.h"
#include "shell/SkinMessage.h"

namespace kel {

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 738;
constexpr int kLeftWidth = 220;
constexpr int kRightWidth = 324;
constexpr int kTitleHeight = 32;
constexpr int kBarHeight = 100;
constexpr int kAVHeight = 184;

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* Picture(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setScaledContents(true);
    return l;
}

QToolButton* TitleButton(QWidget* parent, const char* name, const char* tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setToolTip(QString::fromUtf8(tip));
    b->setAutoRaise(true);
    b->setFixedSize(24, 22);
    b->setIconSize(QSize(22, 20));
    return b;
}

// What the chat area needs of its room.
class TChatLink : public IChatRoom {
public:
    TChatLink(QWidget& window, TChatRoom& room) : window_(window), room_(room) {}
    void SendRoomMessage(std::vector<uint8_t> msg) override { room_.SendRoomMessage(msg); }
    RoomRequestHeader RequestHeader() const override { return room_.Header(); }
    std::optional<std::string> LevelNameOf(int32_t id) const override {
        const auto* u = room_.Directory().FindUser(id);
        return u ? std::optional<std::string>(u->LevelName) : std::nullopt;
    }
    bool IsChatBlocked(int32_t id) const override { return room_.BlockedChat().contains(id); }
    std::optional<std::string> NickNameOf(int32_t id) const override {
        const auto* u = room_.Directory().FindUser(id);
        return u ? std::optional<std::string>(u->NickName) : std::nullopt;
    }
    bool HasFocus() const override { return window_.isActiveWindow(); }
    void FlashWindow() override { QApplication::alert(&window_); }
    void ShowMessageBox(const std::string& text) override { TSkinMessage::ShowMessage(&window_, Q(text)); }
    void AddPending(int32_t code, int32_t key) override { room_.Waits().AddWait(code, key); }
    void RemovePending(int32_t code, int32_t key) override { room_.Waits().EndWait(code, key); }

private:
    QWidget& window_;
    TChatRoom& room_;
};

} // namespace

TfrmChatMulti::TfrmChatMulti(ILoop& loop, TkelChatCFG& cfg, TOwnUser& own, TSetSkin* skins, QWidget* owner,
                             std::unique_ptr<IRoomEndpoint> endpoint)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint),
      loop_(loop), cfg_(cfg), own_(own), skins_(skins), app_path_(cfg.AppPath) {
    setObjectName("TfrmChatMulti");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("房间");
    if (!endpoint) endpoint = std::make_unique<TPackUdpEndpoint>(loop);
    locator_ = std::make_unique<THttpIpLocator>(loop, cfg.IpLocationUrl);
    TRoomContext ctx;
    ctx.Cipher = GlobalEncrypt;
    ctx.Levels = GlobalTypeCFG;
    ctx.Gifts = GlobalGift;
    ctx.AppPath = app_path_;
    ctx.RoomPorts = {cfg.PortRoom1, cfg.PortRoom2, cfg.PortRoom3};
    ctx.Locator = locator_.get();
    room_ = std::make_unique<TChatRoom>(loop, ctx, static_cast<IRoomView&>(*this), std::move(endpoint));
    chat_link_ = std::make_unique<TChatLink>(*this, *room_);
    lines_ = std::make_unique<TLineBuilder>();
    lines_->ResourcePath = app_path_ + "Picture/";
    lines_->Gifts = GlobalGift;

    BuildChrome();
    sub_menu_ = new TSubMenu(this);
    sub_menu_->MenuEvent = [this](TSubMenu&, int32_t id, SubMenuEnum e) { room_->OnPopEnvent(id, e); };
    BuildSkinMenu();

    room_->Lists().OnCaptionChanged = [this](TRoomUserLists::Page p, const std::string& t) { OnCaption(p, t); };
    for (int p = 0; p < 4; ++p)
        OnCaption(static_cast<TRoomUserLists::Page>(p), room_->Lists().Caption(static_cast<TRoomUserLists::Page>(p)));

    Timer1 = new QTimer(this);
    Timer1->setInterval(150);
    connect(Timer1, &QTimer::timeout, this, [this] { ScrollDescription(); });
    resize(kWidth, kHeight);
}

TfrmChatMulti::~TfrmChatMulti() {
    const int32_t id = room_->RoomID();
    // The lists' views go with the widgets; the room (and its leave request) first.
    room_.reset();
    emit RoomClosed(id);
}

void TfrmChatMulti::BuildChrome() {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    pnlTop = new QWidget(this);
    pnlTop->setObjectName("pnlTop");
    pnlTop->setAttribute(Qt::WA_StyledBackground);
    pnlTop->setFixedHeight(kTitleHeight);
    pnlTop->installEventFilter(this);
    auto* t = new QHBoxLayout(pnlTop);
    t->setContentsMargins(4, 1, 4, 1);
    t->setSpacing(0);
    img_Logo = Picture(pnlTop, "img_Logo");
    img_Logo->setFixedSize(120, 28);
    img_Logo->installEventFilter(this);
    t->addWidget(img_Logo);
    t->addSpacing(6);
    imgRoom_L = Picture(pnlTop, "imgRoom_L");
    imgRoom_L->setFixedSize(8, 28);
    imgRoom_M = Picture(pnlTop, "imgRoom_M");
    imgRoom_M->setFixedSize(180, 28);
    imgRoom_R = Picture(pnlTop, "imgRoom_R");
    imgRoom_R->setFixedSize(8, 28);
    lblRoom = new QLabel(imgRoom_M);
    lblRoom->setObjectName("lblRoom");
    lblRoom->setTextFormat(Qt::PlainText);
    lblRoom->setGeometry(0, 0, 180, 28);
    t->addWidget(imgRoom_L);
    t->addWidget(imgRoom_M);
    t->addWidget(imgRoom_R);
    t->addSpacing(10);
    imgRoomDir_L = Picture(pnlTop, "imgRoomDir_L");
    imgRoomDir_L->setFixedSize(8, 24);
    imgRoomDir_M = Picture(pnlTop, "imgRoomDir_M");
    imgRoomDir_M->setFixedHeight(24);
    imgRoomDir_M->setMinimumWidth(200);
    imgRoomDir_R = Picture(pnlTop, "imgRoomDir_R");
    imgRoomDir_R->setFixedSize(8, 24);
    bsSkinPanel3 = new QWidget(imgRoomDir_M);
    bsSkinPanel3->setObjectName("bsSkinPanel3");
    bsSkinPanel3->installEventFilter(this);
    imgRoomDir_M->installEventFilter(this);
    lblRoomDir = new QLabel(bsSkinPanel3);
    lblRoomDir->setObjectName("lblRoomDir");
    lblRoomDir->setTextFormat(Qt::PlainText);
    t->addWidget(imgRoomDir_L);
    t->addWidget(imgRoomDir_M, 1);
    t->addWidget(imgRoomDir_R);
    t->addSpacing(10);
    imgSkin = TitleButton(pnlTop, "imgSkin", "更换皮肤");
    imgSkin->setText("皮肤");
    imgSkin->setToolButtonStyle(Qt::ToolButtonTextOnly);
    imgSkin->setFixedWidth(40);
    imgMin = TitleButton(pnlTop, "imgMin", "最小化");
    imgMax = TitleButton(pnlTop, "imgMax", "最大化");
    imgClose = TitleButton(pnlTop, "imgClose", "关闭");
    for (QToolButton* b : {imgSkin, imgMin, imgMax, imgClose}) t->addWidget(b);
    connect(imgSkin, &QToolButton::clicked, this, [this] { btnSetSkin(imgSkin->mapToGlobal(QPoint(0, imgSkin->height()))); });
    connect(imgMin, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(imgMax, &QToolButton::clicked, this, [this] { btnMaxClick(); });
    connect(imgClose, &QToolButton::clicked, this, &QWidget::close);
    v->addWidget(pnlTop);

    pnlClient = new QWidget(this);
    pnlClient->setObjectName("pnlClient");
    auto* c = new QHBoxLayout(pnlClient);
    c->setContentsMargins(2, 2, 2, 2);
    c->setSpacing(3);
    BuildLeft();
    BuildMiddle();
    BuildRight();
    c->addWidget(BsPnlLeft);
    c->addWidget(bsPnlMid, 1);
    c->addWidget(bsPnlRight);
    v->addWidget(pnlClient, 1);
}

void TfrmChatMulti::BuildLeft() {
    BsPnlLeft = new QWidget(pnlClient);
    BsPnlLeft->setObjectName("BsPnlLeft");
    BsPnlLeft->setFixedWidth(kLeftWidth);
    auto* v = new QVBoxLayout(BsPnlLeft);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);

    pageUsers = new QTabWidget(BsPnlLeft);
    pageUsers->setObjectName("pageUsers");
    pageUsers->setDocumentMode(false);
    auto& lists = room_->Lists();
    struct Tab {
        QWidget** page;
        TUserListView** view;
        TUserList* list;
        const char* page_name;
        const char* view_name;
    } tabs[] = {
        {&bstab_User, &lv_User, &lists.lv_User(), "bstab_User", "lv_User"},
        {&bstab_Manage, &lv_Manager, &lists.lv_Manager(), "bstab_Manage", "lv_Manager"},
        {&bstab_OrderMic, &lv_MicOrder, &lists.lv_MicOrder(), "bstab_OrderMic", "lv_MicOrder"},
        {&bstab_Hide, &lv_Hide, &lists.lv_Hide(), "bstab_Hide", "lv_Hide"},
    };
    const std::string res = app_path_ + "Picture/Resource/";
    auto mic = LoadImageStrip(res + "ImgsMicType.bmp");
    auto head = LoadImageStrip(res + "ImgsHead16.bmp");
    for (const auto& tab : tabs) {
        *tab.page = new QWidget;
        (*tab.page)->setObjectName(tab.page_name);
        auto* pl = new QVBoxLayout(*tab.page);
        pl->setContentsMargins(0, 0, 0, 0);
        *tab.view = new TUserListView(*tab.list, *tab.page);
        TUserListView* view = *tab.view;
        view->setObjectName(tab.view_name);
        view->SetMicImgList(mic);
        view->SetHeadImgList(head);
        view->SetPathRes(res);
        view->OnSelectUser = [this](int32_t id) {
            if (id != room_->MyUserID() && room_->Directory().FindUser(id) && room_->OnMenuAction)
                room_->OnMenuAction(id, SubMenuEnum::selectUse);
        };
        view->OnOperateUser = [this](int32_t id, int x, int y) { PopUserMenu(id, QPoint(x, y)); };
        pl->addWidget(view);
        pageUsers->addTab(*tab.page, QString());
    }
    v->addWidget(pageUsers, 1);

    auto* search = new QWidget(BsPnlLeft);
    auto* sl = new QHBoxLayout(search);
    sl->setContentsMargins(0, 0, 0, 0);
    sl->setSpacing(2);
    bsEditSearch = new QLineEdit(search);
    bsEditSearch->setObjectName("bsEditSearch");
    bsEditSearch->setPlaceholderText("输入昵称或用户号查找");
    imgSearch = Picture(search, "imgSearch");
    imgSearch->setFixedSize(20, 20);
    sl->addWidget(bsEditSearch, 1);
    sl->addWidget(imgSearch);
    connect(bsEditSearch, &QLineEdit::textChanged, this,
            [this](const QString& text) { room_->SetSearchText(text.toStdString()); });
    v->addWidget(search);

    kelshwlb1 = new QLabel("📢 小喇叭：暂无广播", BsPnlLeft);
    kelshwlb1->setObjectName("kelshwlb1");
    kelshwlb1->setFixedHeight(60);
    static_cast<QLabel*>(kelshwlb1)->setAlignment(Qt::AlignCenter);
    v->addWidget(kelshwlb1);

    auto* buttons = new QWidget(BsPnlLeft);
    auto* bl = new QHBoxLayout(buttons);
    bl->setContentsMargins(0, 0, 0, 0);
    btnUserInfo = new QPushButton("个人资料", buttons);
    btnUserInfo->setObjectName("btnUserInfo");
    btnPay = new QPushButton("帐户充值", buttons);
    btnPay->setObjectName("btnPay");
    bl->addWidget(btnUserInfo);
    bl->addWidget(btnPay);
    connect(btnUserInfo, &QPushButton::clicked, this, [this] { btnUserInfoClick(); });
    connect(btnPay, &QPushButton::clicked, this, [this] { btnPayClick(); });
    v->addWidget(buttons);

    // The gift bar's place.
    auto* give = new QLabel(BsPnlLeft);
    give->setAlignment(Qt::AlignCenter);
    kelGive = give;
    kelGive->setObjectName("kelGive");
    kelGive->setFixedHeight(kBarHeight);
    v->addWidget(kelGive);
}

void TfrmChatMulti::BuildMiddle() {
    bsPnlMid = new QWidget(pnlClient);
    bsPnlMid->setObjectName("bsPnlMid");
    auto* v = new QVBoxLayout(bsPnlMid);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    kelRoomMemo = new TkelRoomMemo(*lines_, bsPnlMid);
    kelRoomMemo->setObjectName("kelRoomMemo");
    v->addWidget(kelRoomMemo);
    kelChatMng = new TkelChatMng(*chat_link_, *lines_, GlobalLanguageRes, GlobalEmotion, bsPnlMid);
    kelChatMng->setObjectName("kelChatMng");
    kelChatMng->SetPathRes(app_path_ + "Picture/");
    kelChatMng->SetSplitView(true);
    // The middle column takes what the side columns leave of the 1024 pixels.
    kelChatMng->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    kelChatMng->setMinimumWidth(0);
    bsPnlMid->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    pubScreen = kelChatMng->FPublicScreen;
    priScreen = kelChatMng->FLowerScreen;
    kelChatMng->OnSetSkin = [this](int x, int y) { btnSetSkin(QPoint(x, y)); };
    kelChatMng->OperatePopEvent = [this](int32_t id, int x, int y) { PopUserMenu(id, QPoint(x, y)); };
    kelChatMng->OnClickPay = [this] { btnPayClick(); };
    v->addWidget(kelChatMng, 1);
    // The chat codes go to the chat area unless a feature has taken them.
    for (const auto& slot : TChatRoom::Slots())
        if (!room_->HasHandler(slot.Code))
            room_->SetHandler(slot.Code, [this](const TChatRoom::Block& m) { kelChatMng->HandleMessage(m.data(), m.size()); });
    room_->OnMenuAction = [this](int32_t id, SubMenuEnum item) {
        const TUserInfoUserMng* u = room_->Directory().FindUser(id);
        if (u && item == SubMenuEnum::selectUse) kelChatMng->SelectTarget(id, u->NickName);
    };
}

void TfrmChatMulti::BuildRight() {
    bsPnlRight = new QWidget(pnlClient);
    bsPnlRight->setObjectName("bsPnlRight");
    bsPnlRight->setFixedWidth(kRightWidth);
    auto* v = new QVBoxLayout(bsPnlRight);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    const QPixmap back(Q(app_path_ + "Picture/Resource/VideoBack.bmp"));
    for (int i = 0; i < 3; ++i) {
        // The public-mic window's place.
        auto* w = new QLabel(bsPnlRight);
        w->setObjectName(QString("FAVWindows%1").arg(i));
        w->setFixedSize(kRightWidth, kAVHeight);
        w->setAlignment(Qt::AlignCenter);
        w->setScaledContents(true);
        if (!back.isNull()) w->setPixmap(back);
        else w->setText(QString("%1号麦").arg(i + 1));
        FAVWindows[static_cast<size_t>(i)] = w;
        auto* caption = new QLabel(w);
        caption->setObjectName(QString("FAVCaptions%1").arg(i));
        caption->setTextFormat(Qt::PlainText);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        caption->setGeometry(0, kAVHeight - 20, kRightWidth, 20);
        FAVCaptions[static_cast<size_t>(i)] = caption;
        ShowMicCaption(i);
        v->addWidget(w);
    }
    v->addStretch(1);
    kelControl = new TkelControl(bsPnlRight);
    kelControl->setFixedHeight(TkelControl::kHeight);
    v->addWidget(kelControl);
}

void TfrmChatMulti::BuildSkinMenu() {
    skin_menu_ = new QMenu(this);
    skin_menu_->setObjectName("SkinMenu");
    if (!skins_) return;
    auto* group = new QActionGroup(skin_menu_);
    group->setExclusive(true);
    const auto& names = skins_->SkinNames();
    for (size_t i = 0; i < names.size(); ++i) {
        QAction* a = skin_menu_->addAction(Q(names[i]));
        a->setCheckable(true);
        a->setChecked(static_cast<int>(i) == skins_->gSkinIndex());
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { skins_->ApplySkin(static_cast<int>(i)); });
    }
}

void TfrmChatMulti::btnSetSkin(QPoint global) {
    if (skins_)
        for (int i = 0; i < skin_menu_->actions().size(); ++i)
            skin_menu_->actions()[i]->setChecked(i == skins_->gSkinIndex());
    skin_menu_->popup(global);
}

void TfrmChatMulti::InitRoom(int32_t user_id, const std::string& nick, int16_t user_type, int16_t manager_level,
                             int32_t right_level, int32_t mic_right, const TRoomInfo& room, uint32_t server_ip,
                             int32_t room_ticket, int32_t extra) {
    TRoomInit init;
    init.UserID = user_id;
    init.NickName = nick;
    init.UserType = user_type;
    init.ManagerLevel = manager_level;
    init.RightLevel = right_level;
    init.MicRight = mic_right;
    init.Room = room;
    init.ServerIp = server_ip;
    init.RoomTicket = room_ticket;
    init.Reserved = extra;
    const bool entered = room_->InitRoom(init);
    lines_->MyUserID = user_id;
    ChatSelf self;
    self.UserID = user_id;
    self.NickName = room_->MyNick();
    self.User = {user_type, manager_level};
    self.Rules = {room.PublicChatBar, room.PrivateChatBar, room.RegisteredChatWaitS};
    self.RoomKind = room.RoomKind;
    self.Coins = own_.Coins;
    if (const TUserInfoUserMng* me = room_->Directory().FindUser(user_id)) self.LevelName = me->LevelName;
    // Captions in slot order; targets of slot 1 .. 4 at 526, 324, 425, 627.
    TLinkBtnInfo links = {room.LinkCaptions[0], room.LinkCaptions[1], room.LinkCaptions[2], room.LinkCaptions[3],
                          room.LinkTargets[2],  room.LinkTargets[0],  room.LinkTargets[1],  room.LinkTargets[3]};
    const std::string pub = GlobalTypeCFG ? GlobalTypeCFG->PubChatColor : "FFFFFF";
    const std::string pri = GlobalTypeCFG ? GlobalTypeCFG->PriChatColor : "FFFFFF";
    kelChatMng->SetFliter(cfg_.FilterText);
    kelChatMng->InitRoom(self, links, pub, pri, cfg_.RoomImagePrefix.empty() ? std::string() : cfg_.RoomImagePrefix + std::to_string(room.RoomID) + ".jpg");
    lblRoom->setText(Q(room_->RoomLabel()));
    setWindowTitle(Q(room_->Caption()));
    pageUsers->setTabVisible(3, TRoomUserLists::HiddenTabVisible(right_level));
    InitControl(user_type, right_level, room);
    CoinsChanged(own_.Coins);
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        setGeometry((g.width() - kWidth) / 2, (g.height() - 768) / 2, kWidth, kHeight);
    }
    if (!entered) QTimer::singleShot(0, this, &QWidget::close);
}

void TfrmChatMulti::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        LoadPictures();
        shown_ = true;
        Timer1->start();
    }
    RelayoutChrome();
}

void TfrmChatMulti::LoadPictures() {
    const std::string res = app_path_ + "Picture/Resource/";
    auto load = [&](QLabel* l, const char* file) {
        QPixmap p(Q(res + file));
        if (!p.isNull()) l->setPixmap(p);
    };
    load(img_Logo, "Chat_Logo.png");
    load(imgRoom_L, "imgRoom_L.png");
    load(imgRoom_M, "imgRoom_M.png");
    load(imgRoom_R, "imgRoom_R.png");
    load(imgRoomDir_L, "imgRoomDir_L.png");
    load(imgRoomDir_M, "imgRoom_M.png");
    load(imgRoomDir_R, "imgRoom_R.png");
    load(imgSearch, "Search.png");
    auto icon = [&](QToolButton* b, const char* file) {
        QPixmap p(Q(res + file));
        if (!p.isNull()) b->setIcon(QIcon(p));
    };
    icon(imgMin, "Chat_Min.png");
    icon(imgMax, "Chat_Max.png");
    icon(imgClose, "Chat_Close.png");
}

void TfrmChatMulti::RelayoutChrome() {
    if (!shown_) return;
    lblRoom->setGeometry(4, 0, imgRoom_M->width() - 4, imgRoom_M->height());
    bsSkinPanel3->setGeometry(0, 0, imgRoomDir_M->width(), imgRoomDir_M->height());
    lblRoomDir->adjustSize();
    lblRoomDir->move(lblRoomDir->x(), (bsSkinPanel3->height() - lblRoomDir->height()) / 2);
}

void TfrmChatMulti::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RelayoutChrome();
}

void TfrmChatMulti::ScrollDescription() {
    const int x = lblRoomDir->x() - 3;
    if (x <= -lblRoomDir->width() || lblRoomDir->x() > bsSkinPanel3->width())
        lblRoomDir->move(bsSkinPanel3->width(), lblRoomDir->y());
    else
        lblRoomDir->move(x, lblRoomDir->y());
}

void TfrmChatMulti::btnMaxClick() {
    if (isMaximized()) showNormal();
    else showMaximized();
    RelayoutChrome();
}

bool TfrmChatMulti::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgRoomDir_M && event->type() == QEvent::Resize) RelayoutChrome();
    if ((watched == pnlTop || watched == img_Logo || watched == bsSkinPanel3) &&
        event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && windowHandle()) windowHandle()->startSystemMove();
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmChatMulti::closeEvent(QCloseEvent* event) {
    closing_ = true;
    QWidget::closeEvent(event);
}

void TfrmChatMulti::OnCaption(TRoomUserLists::Page page, const std::string& text) {
    pageUsers->setTabText(static_cast<int>(page), Q(text));
}

bool TfrmChatMulti::PopUserMenu(int32_t user_id, QPoint global, bool exec) {
    TSubMenuState state;
    if (!room_->MenuFor(user_id, state)) return false;
    sub_menu_->Prepare(state);
    sub_menu_->UserID = user_id;
    if (exec) sub_menu_->popup(global);
    return true;
}

TfrmUserInfo* TfrmChatMulti::UserInfoWindow(int32_t user_id) const {
    for (TfrmUserInfo* w : findChildren<TfrmUserInfo*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->UserID() == user_id) return w;
    return nullptr;
}

void TfrmChatMulti::btnUserInfoClick() {
    if (self_info_) {
        self_info_->raise();
        self_info_->activateWindow();
        return;
    }
    self_info_ = new TfrmSelfInfo(own_, this);
    self_info_->setWindowFlag(Qt::Window);
    self_info_->setAttribute(Qt::WA_DeleteOnClose);
    self_info_->show();
}

void TfrmChatMulti::btnPayClick() {
    const QUrl url(Q(cfg_.PayPageUrl));
    if (url.scheme() == "http" || url.scheme() == "https") QDesktopServices::openUrl(url);
}

// ---- what the room shows

void TfrmChatMulti::AppendLine(QTextBrowser* screen, const QString& html) { screen->append(html); }

void TfrmChatMulti::PrivateHtml(const std::string& html) { kelChatMng->Area().PrivateScreen().AppendHTML(html); }

void TfrmChatMulti::PublicHtml(const std::string& html) { kelChatMng->Area().PublicScreen().AppendHTML(html); }

void TfrmChatMulti::PrivateSystemLine(int kind, const std::string& prefix, const std::string& text) {
    kelChatMng->Area().ShowSystemMessage(kind, 0, prefix, text);
}

void TfrmChatMulti::PublicSystemLine(int kind, const std::string& prefix, const std::string& text) {
    kelChatMng->Area().ShowSystemMessage(kind, 1, prefix, text);
}

void TfrmChatMulti::EntryLine(const TUserInfoUserMng& user) { kelChatMng->Area().ShowEntry(user.UserID, user.NickName); }

void TfrmChatMulti::LeaveLine(int32_t user_id, const std::string& nick) { kelChatMng->Area().ShowLeave(nick); }

void TfrmChatMulti::GiftEventLine(const TGiftEvent& e) {
    // The currency's name fills the line's "万…币".
    kelChatMng->Area().ShowGiftEvent(e, GlobalTypeCFG ? GlobalTypeCFG->LogoName : std::string());
}

void TfrmChatMulti::LuxuryGiftsChanged() {
    kelRoomMemo->LuXuryGiftList = room_->LuxuryGifts();
    kelRoomMemo->Refresh();
}

void TfrmChatMulti::RoomDescription(const std::string& plain) {
    lblRoomDir->setText(Q(plain));
    lblRoomDir->adjustSize();
    // It starts in view and then scrolls in from the right.
    lblRoomDir->move(4, (bsSkinPanel3->height() - lblRoomDir->height()) / 2);
}

void TfrmChatMulti::CoinsChanged(int32_t coins) {
    own_.Coins = coins;
    static_cast<QLabel*>(kelGive)->setText(QString("🎁 礼物栏\n金币：%1　　积分：%2").arg(own_.Coins).arg(own_.Score));
    btnPay->setToolTip(QString("金币：%1  积分：%2").arg(own_.Coins).arg(own_.Score));
}

void TfrmChatMulti::ShowProfile(const TUserProfile& profile) {
    TfrmUserInfo* w = UserInfoWindow(profile.UserID);
    if (!w) {
        w = new TfrmUserInfo(this);
        w->SetUserID(profile.UserID);
    }
    w->Fill(profile);
    w->show();
    w->raise();
}

void TfrmChatMulti::UserLeft(int32_t user_id, bool) { kelChatMng->RemoveTarget(user_id); }

void TfrmChatMulti::OwnRecordChanged(const TUserInfoUserMng& user) {
    if (user.UserID == own_.UserID) {
        own_.Rights = user.RightLevel;
        own_.UserType = user.UserType;
        own_.ManagerLevel = user.ManagerLevel;
        own_.NickName = user.NickName;
    }
    pageUsers->setTabVisible(3, TRoomUserLists::HiddenTabVisible(user.RightLevel));
    kelControl->SetMicRight(user.MicRight);
}

void TfrmChatMulti::EntryRefused(const std::string& text) {
    QTimer::singleShot(0, this, [this, t = Q(text)] { TSkinMessage::ShowMessage(this, t); });
}

void TfrmChatMulti::KeepAliveLost() {
    // Not from inside the pump: the window goes once the handler has returned.
    QTimer::singleShot(0, this, [this] {
        TSkinMessage::ShowMessage(this, "您因为网络连接超时而退出房间");
        close();
    });
}

} // namespace kel
