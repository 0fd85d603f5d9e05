#pragma once
// The chat area of the room window: the public screen, the lower (private)
// screen under a splitter, the bar of link buttons with the split toggle,
// the toolbar, and the input editor with its send button. The logic lives in
// TChatArea; this widget draws it and turns clicks into its operations.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "config/Emotion.h"
#include "config/LanguageRes.h"
#include "room/ChatArea.h"
#include "room/KelRoomChatEdit.h"

namespace kel {

// Captions of the four link buttons in slots 0..3, their targets in 4..7.
using TLinkBtnInfo = std::array<std::string, 8>;

class TkelChatMng : public QWidget {
    Q_OBJECT
public:
    TkelChatMng(IChatRoom& room, TLineBuilder& lines, const TLanguageRes* language, const TEmotion* emotions,
                QWidget* parent = nullptr);
    ~TkelChatMng() override;

    // The Picture folder with its trailing '/'.
    void SetPathRes(const std::string& path);
    void SetFliter(const std::string& filter) { lines_.SetFilter(filter); }
    // Own user, room rules, link buttons, screen colours ("FFFFFF" when
    // empty) and the room picture behind the public screen.
    void InitRoom(const ChatSelf& self, const TLinkBtnInfo& links, const std::string& public_color,
                  const std::string& private_color, const std::string& room_image);

    TChatArea& Area() { return *area_; }
    void SelectTarget(int32_t user_id, const std::string& nick) { area_->SelectTarget(user_id, nick); }
    void RemoveTarget(int32_t user_id) { area_->RemoveTarget(user_id); }
    // Feeds a received message; false when it is not a chat code.
    bool HandleMessage(const uint8_t* msg, size_t len) { return area_->HandleMessage(msg, len); }
    // The room page address for friends on the clipboard, and the notice.
    void CopyRoomLink(const std::string& web_host, int32_t room_id, int32_t server_group);

    void SetSplitView(bool on);
    bool SplitView() const;
    // Sends what the input editor holds (the send button and Enter).
    void SendInput();

    // Events for the room window.
    std::function<void()> OnBtnLaba, RoomPost, ExChangeGift, ShowSendGiftInfo, ShowReceGiftInfo, OnClickPay;
    std::function<void(int x, int y)> OnSetSkin;
    std::function<void(int32_t user_id, int x, int y)> OperatePopEvent;
    // How a link button's target is opened (http and https only reach it).
    std::function<void(const std::string& url)> OpenLink;

    TKelRoomChatEdit* FPublicScreen;
    TKelRoomChatEdit* FLowerScreen;
    TKelRoomChatEdit* FInput;
    QCheckBox* chkWhisper;
    QComboBox* cbbTarget;
    QPushButton* btnSend;
    QLabel* lblSplit;
    std::array<QLabel*, 4> btnLinks{};
    QMenu* FPhraseMenu;
    QMenu* FActionMenu;
    QMenu* FDisplayMenu;
    QMenu* FGiftDetailMenu;
    // Toolbar buttons in their order (font .. dice), then the skin button.
    std::vector<QToolButton*> ToolButtons;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void BuildToolbar(QWidget* bar);
    void BuildMenus();
    void RefreshTargets();
    void ScreenLink(const std::string& href, QPoint pos);
    void ClickLinkButton(int i);
    void LayoutLinkBar();
    void FitToolbar();
    void PickEmotion();

    TLineBuilder& lines_;
    const TLanguageRes* language_;
    const TEmotion* emotions_;
    std::unique_ptr<TChatArea> area_;
    QSplitter* splitter_;
    QWidget* lower_panel_;
    QWidget* link_bar_;
    int toolbar_full_width_ = 0;
    TLinkBtnInfo links_{};
    std::string path_res_;
    bool refreshing_ = false;
};

} // namespace kel
