#include "room/KelChatMng.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QUrl>
#include <QVBoxLayout>

#include "room/ChatLine.h"
#include "room/SelectEmotion.h"
#include "shell/HtmlView.h"
#include "shell/SkinMessage.h"

namespace kel {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* const kPhrases[12] = {"邀请表演", "关注表演", "管理悄悄", "请开视频", "请换马甲", "请您献花",
                                  "声音好卡", "禁止刷屏", "不要乱踢", "文明用语", "维持次序", "为您服务"};
const char* const kActions[24] = {"关照", "景仰", "喜欢", "张望", "大姐", "大哥", "天真", "美眉",
                                  "大哭", "泪花", "泪水", "昏倒", "听话", "耳朵", "傻冒", "明眸",
                                  "闪电", "手枪", "膏药", "魔法", "诱惑", "妩媚", "玫瑰", "冰雕"};

// A label that reacts to clicks like a link.
class TClickLabel : public QLabel {
public:
    TClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
        setCursor(Qt::PointingHandCursor);
        setStyleSheet("color: #1565C0; text-decoration: underline;");
    }
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && OnClick) OnClick();
    }
};

} // namespace

TkelChatMng::TkelChatMng(IChatRoom& room, TLineBuilder& lines, const TLanguageRes* language, const TEmotion* emotions,
                         QWidget* parent)
    : QWidget(parent), lines_(lines), language_(language), emotions_(emotions) {
    setObjectName("kelChatMng");
    resize(440, 500);
    FPublicScreen = new TKelRoomChatEdit(this);
    FLowerScreen = new TKelRoomChatEdit(this);
    FInput = new TKelRoomChatEdit(this);
    FInput->setReadOnly(false);
    FInput->SetBkColor("FFFFFF");
    FInput->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (auto* s : {FPublicScreen, FLowerScreen}) {
        s->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        s->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        s->OnLink = [this](const std::string& href, QPoint pos) { ScreenLink(href, pos); };
    }
    area_ = std::make_unique<TChatArea>(room, *FPublicScreen, *FLowerScreen, lines_, language_);
    area_->SetSplit(true);
    area_->OnTargetsChanged = [this] { RefreshTargets(); };

    // Display area: public screen, splitter, lower panel, link bar.
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName("hsplitter");
    splitter_->addWidget(FPublicScreen);
    lower_panel_ = new QWidget(splitter_);
    auto* lower_layout = new QVBoxLayout(lower_panel_);
    lower_layout->setContentsMargins(0, 0, 0, 0);
    lower_layout->addWidget(FLowerScreen);
    splitter_->addWidget(lower_panel_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setSizes({260, 140});

    link_bar_ = new QWidget(this);
    link_bar_->setFixedHeight(20);
    auto* split = new TClickLabel("分屏", link_bar_);
    split->OnClick = [this] { SetSplitView(!SplitView()); };
    lblSplit = split;
    for (int i = 0; i < 4; ++i) {
        auto* b = new TClickLabel({}, link_bar_);
        b->OnClick = [this, i] { ClickLinkButton(i); };
        btnLinks[static_cast<size_t>(i)] = b;
    }

    auto* toolbar = new QWidget(this);
    toolbar->setObjectName("FunctionPanel");
    toolbar->setFixedHeight(26);
    BuildToolbar(toolbar);

    // Bottom: input on the left, the send button in a white panel.
    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(74);
    auto* bl = new QHBoxLayout(bottom);
    bl->setContentsMargins(0, 0, 0, 0);
    bl->setSpacing(0);
    bl->addWidget(FInput, 1);
    auto* send_panel = new QWidget(bottom);
    send_panel->setFixedWidth(80);
    send_panel->setStyleSheet("background: white;");
    btnSend = new QPushButton("发送", send_panel);
    btnSend->setObjectName("btnSend");
    auto* sl = new QVBoxLayout(send_panel);
    sl->setContentsMargins(10, 3, 3, 3);
    sl->addWidget(btnSend);
    bl->addWidget(send_panel);
    connect(btnSend, &QPushButton::clicked, this, [this] { SendInput(); });
    FInput->OnSendChat = [this] { SendInput(); };

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(splitter_, 1);
    v->addWidget(link_bar_);
    v->addWidget(toolbar);
    v->addWidget(bottom);
    BuildMenus();
    RefreshTargets();
}

TkelChatMng::~TkelChatMng() = default;

void TkelChatMng::SetPathRes(const std::string& path) {
    path_res_ = path;
    lines_.ResourcePath = path;
    for (auto* s : {FPublicScreen, FLowerScreen, FInput}) s->SetResourcePath(path);
    // Tool glyphs, 18 x 18 each, masked by their lower-left pixel.
    QImage strip(Q(path + "Resource/ImgsChatMng.bmp"));
    QImage skin(Q(path + "Resource/SkinSet.bmp"));
    for (size_t i = 0; i < ToolButtons.size(); ++i) {
        QImage cell = i + 1 == ToolButtons.size() ? skin.copy(0, 0, 18, 18)
                                                  : strip.copy(static_cast<int>(i) * 18, 0, 18, 18);
        if (cell.isNull()) continue;
        QPixmap pm = QPixmap::fromImage(cell);
        pm.setMask(pm.createMaskFromColor(cell.pixelColor(0, cell.height() - 1), Qt::MaskInColor));
        ToolButtons[i]->setIcon(QIcon(pm));
    }
}

void TkelChatMng::InitRoom(const ChatSelf& self, const TLinkBtnInfo& links, const std::string& public_color,
                           const std::string& private_color, const std::string& room_image) {
    area_->InitRoom(self);
    links_ = links;
    for (int i = 0; i < 4; ++i) {
        std::string caption = links[static_cast<size_t>(i)];
        caption.erase(0, caption.find_first_not_of(' '));
        caption.erase(caption.find_last_not_of(' ') + 1);
        btnLinks[static_cast<size_t>(i)]->setText(Q(caption));
        btnLinks[static_cast<size_t>(i)]->adjustSize();
    }
    FPublicScreen->SetBkColor(public_color.empty() ? "FFFFFF" : public_color);
    FLowerScreen->SetBkColor(private_color.empty() ? "FFFFFF" : private_color);
    FPublicScreen->SetBkImage(room_image);
    // Members and managers keep their font per user, everybody else shares "0".
    std::string app = path_res_.size() >= 8 ? path_res_.substr(0, path_res_.size() - 8) : path_res_;
    const bool own = self.User.UserType > 2 || self.User.ManagerLevel > 0;
    FInput->SetFontSavePath(app + (own ? std::to_string(self.UserID) : std::string("0")));
    area_->SetInputFont(FInput->InputFont());
    LayoutLinkBar();
}

void TkelChatMng::BuildToolbar(QWidget* bar) {
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(2, 0, 2, 0);
    h->setSpacing(1);
    chkWhisper = new QCheckBox("悄悄话", bar);
    chkWhisper->setFixedWidth(60);
    h->addWidget(chkWhisper);
    h->addWidget(new QLabel("对", bar));
    cbbTarget = new QComboBox(bar);
    cbbTarget->setFixedWidth(110);
    h->addWidget(cbbTarget);
    connect(chkWhisper, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) area_->SetWhisperChecked(on);
    });
    connect(cbbTarget, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!refreshing_ && i >= 0) area_->SelectTargetIndex(static_cast<size_t>(i));
    });

    struct Tool {
        const char* hint;
        std::function<void()> action;
    };
    auto popup = [](QMenu* m) { m->popup(QCursor::pos()); };
    std::vector<Tool> tools = {
        {"选择字体", [this] { if (area_->RequireNotGuest("游客不能设置字体样式")) { FInput->ShowFontDialog(); area_->SetInputFont(FInput->InputFont()); } }},
        {"选择表情", [this] { if (area_->RequireNotGuest("游客不能发送表情")) PickEmotion(); }},
        {"管理用语", [this, popup] { if (area_->RequireMemberOrManager()) popup(FPhraseMenu); }},
        {"趣语", [this, popup] { if (area_->RequireMemberOrManager()) popup(FActionMenu); }},
        {"献花", [this] { if (area_->RequireNotGuest("游客不能献花")) area_->Flower(QRandomGenerator::global()->bounded(4u)); }},
        {"小喇叭", [this] { if (area_->RequireNotGuest("游客不能发送小喇叭") && OnBtnLaba) OnBtnLaba(); }},
        {"房间公告", [this] { if (RoomPost) RoomPost(); }},
        {"兑换礼品", [this] { if (ExChangeGift) ExChangeGift(); }},
        {"清屏", [this] { area_->ClearScreens(); }},
        {"设置", [this, popup] { popup(FDisplayMenu); }},
        {"帮助", [this, popup] { popup(FGiftDetailMenu); }},
        {"骰子", [this] { if (area_->RequireNotGuest("游客不能摇骰了")) area_->Dice(); }},
    };
    for (auto& t : tools) {
        auto* b = new QToolButton(bar);
        b->setToolTip(t.hint);
        b->setAutoRaise(true);
        b->setFixedSize(22, 22);
        b->setIconSize(QSize(18, 18));
        connect(b, &QToolButton::clicked, this, t.action);
        h->addWidget(b);
        ToolButtons.push_back(b);
    }
    h->addStretch(1);
    auto* skin = new QToolButton(bar);
    skin->setText("设置皮肤");
    skin->setToolTip("设置皮肤");
    skin->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    skin->setAutoRaise(true);
    skin->setFixedSize(75, 22);
    connect(skin, &QToolButton::clicked, this, [this] {
        QPoint p = QCursor::pos();
        if (OnSetSkin) OnSetSkin(p.x(), p.y());
    });
    h->addWidget(skin);
    ToolButtons.push_back(skin);
    toolbar_full_width_ = h->minimumSize().width();
}

void TkelChatMng::BuildMenus() {
    FPhraseMenu = new QMenu(this);
    for (int i = 0; i < 12; ++i)
        FPhraseMenu->addAction(kPhrases[i], this, [this, i] {
            area_->FunPhrase(area_->TargetID(), area_->TargetNick(), 3001 + i);
        });
    FActionMenu = new QMenu(this);
    for (int i = 0; i < 24; ++i)
        FActionMenu->addAction(kActions[i], this, [this, i] {
            area_->FunPhrase(area_->TargetID(), area_->TargetNick(), 4001 + i);
        });
    FDisplayMenu = new QMenu(this);
    auto check = [this](const char* text, std::function<void(bool)> f) {
        QAction* a = FDisplayMenu->addAction(text);
        a->setCheckable(true);
        connect(a, &QAction::toggled, this, f);
    };
    check("禁止公屏滚动", [this](bool on) { area_->PublicScreen().EnableScroll = !on; });
    check("禁止私屏滚动", [this](bool on) { area_->LowerScreen().EnableScroll = !on; });
    FDisplayMenu->addSeparator();
    check("屏蔽公聊", [this](bool on) { area_->SetHidePublicChat(on); });
    check("屏蔽送礼", [this](bool on) { area_->SetHideGifts(on); });
    check("屏蔽喇叭", [this](bool on) { area_->ShowLaba = !on; });
    check("屏蔽进出消息", [this](bool on) { area_->SetHideComeAndOut(on); });
    FDisplayMenu->addSeparator();
    FDisplayMenu->addAction("自动回复设置", this, [this] {
        bool ok = false;
        QString text = QInputDialog::getText(this, "自动回复", "输入自动回复内容", QLineEdit::Normal,
                                             Q(area_->AutoReply), &ok);
        if (ok) area_->AutoReply = text.toStdString();
    });
    FGiftDetailMenu = new QMenu(this);
    FGiftDetailMenu->addAction("送礼详情", this, [this] { if (ShowSendGiftInfo) ShowSendGiftInfo(); });
    FGiftDetailMenu->addAction("收礼详情", this, [this] { if (ShowReceGiftInfo) ShowReceGiftInfo(); });
}

void TkelChatMng::RefreshTargets() {
    refreshing_ = true;
    const auto& t = area_->Targets();
    if (cbbTarget->count() != static_cast<int>(t.size())) {
        cbbTarget->clear();
        for (const auto& e : t) cbbTarget->addItem(Q(e.NickName));
    } else {
        for (size_t i = 0; i < t.size(); ++i) cbbTarget->setItemText(static_cast<int>(i), Q(t[i].NickName));
    }
    cbbTarget->setCurrentIndex(static_cast<int>(area_->TargetIndex()));
    chkWhisper->setEnabled(area_->WhisperEnabled());
    chkWhisper->setChecked(area_->WhisperChecked());
    refreshing_ = false;
}

void TkelChatMng::SendInput() {
    if (area_->Send(FInput->ChatInfo(), FInput->InputFont())) {
        FInput->ClearInput();
        FInput->setFocus();
    }
}

void TkelChatMng::ScreenLink(const std::string& href, QPoint pos) {
    LinkTarget t = ParseLink(href);
    switch (t.kind) {
    case LinkTarget::UserInfo:
        if (area_->UserLinkClicked(t.value) && OperatePopEvent) OperatePopEvent(t.value, pos.x(), pos.y());
        return;
    case LinkTarget::Pay:
        if (OnClickPay) OnClickPay();
        return;
    default: return;
    }
}

void TkelChatMng::ClickLinkButton(int i) {
    const std::string& target = links_[static_cast<size_t>(4 + i)];
    QUrl url(Q(target).trimmed());
    if (!THtmlView::IsWebAddress(url)) return;
    if (OpenLink)
        OpenLink(url.toString().toStdString());
    else
        QDesktopServices::openUrl(url);
}

void TkelChatMng::SetSplitView(bool on) {
    lower_panel_->setVisible(on);
    area_->SetSplit(on);
}

bool TkelChatMng::SplitView() const { return area_->Split(); }

void TkelChatMng::LayoutLinkBar() {
    int widths = lblSplit->sizeHint().width();
    for (auto* b : btnLinks) widths += b->sizeHint().width();
    int gap = std::max(4, (link_bar_->width() - widths - 20) / 4);
    int x = 10;
    int y = (link_bar_->height() - lblSplit->sizeHint().height()) / 2;
    lblSplit->move(x, y);
    lblSplit->adjustSize();
    x += lblSplit->sizeHint().width();
    for (auto* b : btnLinks) {
        x += gap;
        b->adjustSize();
        b->move(x, y);
        x += b->sizeHint().width();
    }
}

void TkelChatMng::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    LayoutLinkBar();
    FitToolbar();
}

void TkelChatMng::FitToolbar() {
    // In a narrow column (the room window's middle one) the skin button
    // keeps only its picture and the target box gives up some width, so
    // that every tool stays visible; the caption comes back when there is
    // room for the whole bar.
    if (ToolButtons.empty()) return;
    QToolButton* skin = ToolButtons.back();
    QWidget* bar = skin->parentWidget();
    const bool wide = bar->width() >= toolbar_full_width_;
    skin->setToolButtonStyle(wide ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    skin->setFixedSize(wide ? 75 : 22, 22);
    cbbTarget->setFixedWidth(wide ? 110 : 84);
}

void TkelChatMng::PickEmotion() {
    if (!emotions_) return;
    auto* picker = new TfrmSelectEmotion(*emotions_, this);
    picker->OnSelect = [this](const std::string& picture) { FInput->InsertEmotion(picture); };
    picker->PopupAt(QCursor::pos());
}

void TkelChatMng::CopyRoomLink(const std::string& web_host, int32_t room_id, int32_t server_group) {
    QApplication::clipboard()->setText(Q(RoomLinkUrl(web_host, room_id, server_group)));
    TSkinMessage::ShowMessage(this, "房间地址已经复制，使用Ctrl+V粘贴快去告诉你的朋友一起来玩吧！");
}

} // namespace kel
