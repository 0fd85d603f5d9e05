#pragma once
// TfrmChatMulti: the window of one stay in a room, 1024 x 738 without a
// system border. It draws what TChatRoom decides: the title bar with the
// room label and the scrolling description, the left column with the four
// user lists, the search box and the account buttons, the middle column
// with the banner and the chat screens, the right column with the three
// public-mic windows and the control bar. Parts of later features (chat
// input, gift bar, control bar, A/V windows, loudspeaker panel) have their
// places here and fill them.
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "room/ChatRoom.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTimer;
class QToolButton;

namespace kel {

class IChatRoom;
class TLineBuilder;
class TkelChatMng;
class TkelControl;
class TkelRoomMemo;
class TkelChatCFG;
class TSetSkin;
class TSubMenu;
class TUserListView;
class TfrmUserInfo;
class TfrmSelfInfo;
struct TOwnUser;

class TfrmChatMulti : public QWidget, private IRoomView {
    Q_OBJECT
public:
    // `endpoint` defaults to a TPackUdp endpoint of the window's own.
    TfrmChatMulti(ILoop& loop, TkelChatCFG& cfg, TOwnUser& own, TSetSkin* skins, QWidget* owner = nullptr,
                  std::unique_ptr<IRoomEndpoint> endpoint = {});
    ~TfrmChatMulti() override;

    // The hall's ten values, in this order.
    void InitRoom(int32_t user_id, const std::string& nick, int16_t user_type, int16_t manager_level,
                  int32_t right_level, int32_t mic_right, const TRoomInfo& room, uint32_t server_ip,
                  int32_t room_ticket, int32_t extra);

    int32_t RoomID() const { return room_->RoomID(); }
    TChatRoom& Room() { return *room_; }
    bool ModifyUserInfo(const TUserInfoUserMng& user) { return room_->ModifyUserInfo(user); }
    // The profile window open for a user, or nullptr.
    TfrmUserInfo* UserInfoWindow(int32_t user_id) const;
    TSubMenu& SubMenu() { return *sub_menu_; }
    // Pops the user menu up for a user at a screen position (the lists'
    // right click); false when no menu is due.
    bool PopUserMenu(int32_t user_id, QPoint global, bool exec = true);
    void btnSetSkin(QPoint global);
    QMenu* SkinMenu() const { return skin_menu_; }

    // Form components, by their names.
    QWidget *pnlTop, *bsSkinPanel3, *pnlClient, *BsPnlLeft, *bsPnlMid, *bsPnlRight;
    QLabel *img_Logo, *lblRoom, *lblRoomDir, *imgRoom_L, *imgRoom_M, *imgRoom_R;
    QLabel *imgRoomDir_L, *imgRoomDir_M, *imgRoomDir_R, *imgSearch;
    QToolButton *imgMin, *imgMax, *imgClose, *imgSkin;
    QTabWidget* pageUsers;
    QWidget *bstab_User, *bstab_Manage, *bstab_OrderMic, *bstab_Hide;
    TUserListView *lv_User, *lv_Manager, *lv_MicOrder, *lv_Hide;
    QLineEdit* bsEditSearch;
    QWidget* kelshwlb1;
    QPushButton *btnUserInfo, *btnPay;
    TkelRoomMemo* kelRoomMemo;
    // The chat area and its two screens.
    TkelChatMng* kelChatMng;
    QTextBrowser *pubScreen, *priScreen;
    QWidget* kelGive;
    TkelControl* kelControl;
    // The public mic windows' places; each caption names the holder and his
    // remaining mic time.
    std::array<QLabel*, 3> FAVWindows{};
    std::array<QLabel*, 3> FAVCaptions{};
    QTimer* Timer1;

    // What the media stages fill: the recording source (1 microphone, 2
    // accompaniment, 0 mix), the microphone and speaker line volumes, and
    // starting the device wizard.
    std::function<void(int source)> SelectRecordingSource;
    std::function<void(int volume)> SetMicLineVolume, SetSpeakerLineVolume;
    std::function<void()> StartCalibrator;

signals:
    void RoomClosed(int32_t room_id);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildChrome();
    void BuildLeft();
    void BuildMiddle();
    void BuildRight();
    void BuildSkinMenu();
    void LoadPictures();
    void RelayoutChrome();
    void ScrollDescription();
    void OnCaption(TRoomUserLists::Page page, const std::string& text);
    void btnMaxClick();
    void btnUserInfoClick();
    void btnPayClick();
    void AppendLine(QTextBrowser* screen, const QString& html);
    void InitControl(int16_t user_type, int32_t right_level, const TRoomInfo& room);
    bool EditMicOrder(std::vector<int32_t>& order);
    void ShowMicCaption(int slot);

    // IRoomView
    void PrivateHtml(const std::string& html) override;
    void PublicHtml(const std::string& html) override;
    void PrivateSystemLine(int kind, const std::string& prefix, const std::string& text) override;
    void PublicSystemLine(int kind, const std::string& prefix, const std::string& text) override;
    void StartPublicMicView(const TPublicMicView& view) override;
    void StopPublicMicView(int slot) override;
    void PublicMicTime(int slot, int32_t remaining_ms) override;
    void EntryLine(const TUserInfoUserMng& user) override;
    void LeaveLine(int32_t user_id, const std::string& nick) override;
    void GiftEventLine(const TGiftEvent& event) override;
    void LuxuryGiftsChanged() override;
    void RoomDescription(const std::string& plain) override;
    void CoinsChanged(int32_t coins) override;
    void ShowProfile(const TUserProfile& profile) override;
    void UserLeft(int32_t user_id, bool full) override;
    void OwnRecordChanged(const TUserInfoUserMng& user) override;
    void EntryRefused(const std::string& text) override;
    void KeepAliveLost() override;

    ILoop& loop_;
    TkelChatCFG& cfg_;
    TOwnUser& own_;
    TSetSkin* skins_;
    std::string app_path_;
    // Before room_: answers in flight outlive the room, not the locator.
    std::unique_ptr<THttpIpLocator> locator_;
    std::unique_ptr<TChatRoom> room_;
    std::unique_ptr<IChatRoom> chat_link_;
    std::unique_ptr<TLineBuilder> lines_;
    TSubMenu* sub_menu_ = nullptr;
    QMenu* skin_menu_ = nullptr;
    QPointer<TfrmSelfInfo> self_info_;
    std::array<std::string, 3> av_holders_{};
    std::array<int32_t, 3> av_remaining_{-1, -1, -1};
    bool shown_ = false;
    bool closing_ = false;
    QPoint drag_from_;
};

} // namespace kel
