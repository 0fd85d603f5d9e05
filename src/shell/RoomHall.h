#pragma once
// TfrmRoomHall: the main window. It shows the hall page in wbHall, the
// progress in PnlLogin, and the room windows it opens; every decision is
// THallSession's, which this window serves as its view.
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <vector>

#include "shell/HallSession.h"
#include "shell/PsdMng.h"
#include "room/ChatMulti.h"

class QLabel;

namespace kel {

class TPackUdp;
class TSetSkin;
class THtmlView;
class TfrmSelfInfo;

class TfrmRoomHall : public QMainWindow, private IHallView {
    Q_OBJECT
public:
    // `skins` may be null (no skin menu).
    TfrmRoomHall(ILoop& loop, TkelChatCFG& cfg, TOwnUser& own, TSetSkin* skins, QWidget* parent = nullptr);
    ~TfrmRoomHall() override;

    THallSession& Session() { return *session_; }
    uint16_t BoundPort() const;
    // Opens TfrmSelfInfo for the own user.
    TfrmSelfInfo* OpenSelfInfo();
    TPasswordMng* PasswordDialog() const { return psd_; }
    std::vector<TfrmChatMulti*> RoomWindows() const;
    // The camera chosen in the setup wizard, for a room window's sender.
    int32_t VideoDeviceIndex() const;

    THtmlView* wbHall;
    QLabel* PnlLogin;

signals:
    void HallClosed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void PlaceStatus();
    // IHallView
    void SetStatus(const std::string& text) override;
    void SetStatusVisible(bool visible) override;
    void ShowMessage(const std::string& text) override;
    bool Confirm(const std::string& text, const std::string& caption) override;
    void CloseHall() override;
    void Navigate(const std::string& url) override;
    void ShowRoomPassword() override;
    void ShowUpgrade(int32_t room_number) override;
    void SelfInfoAnswered(int32_t status) override;
    bool HasCamera() override;
    std::vector<int32_t> OpenRooms() override;
    void BringRoomToFront(int32_t room_id) override;
    void CloseRoom(int32_t room_id) override;
    void CloseAllRooms() override;
    void OpenRoom(const RoomEntryAnswer& answer, uint32_t room_server_ip) override;
    void LoginAccepted(const LoginAnswer& answer) override;

    ILoop& loop_;
    TkelChatCFG& cfg_;
    TOwnUser& own_;
    TSetSkin* skins_;
    std::unique_ptr<TPackUdp> udp_;
    std::unique_ptr<THallSession> session_;
    QPointer<TPasswordMng> psd_;
    // Room windows, the most recently active first.
    std::vector<QPointer<TfrmChatMulti>> rooms_;
    bool shown_once_ = false;
    bool destroyed_ = false;
    bool owns_catalogues_ = false; // this hall made the shared catalogues
};

} // namespace kel
