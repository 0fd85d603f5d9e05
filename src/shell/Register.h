#pragma once
// TfrmRegister ("用户注册"): the profile of a new user, sent to the listed
// hall servers in turn by TRegisterSession over the window's own endpoint.
// On OK the login window reads AssignedID() and edt_Pwd.
#include <QDialog>
#include <QPixmap>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace kel {

class ILoop;
class TkelChatCFG;
class TPackUdp;
class TRegisterSession;

class TfrmRegister : public QDialog {
    Q_OBJECT
public:
    TfrmRegister(ILoop& loop, TkelChatCFG& cfg, QWidget* parent = nullptr);
    ~TfrmRegister() override;

    int32_t AssignedID() const;
    TRegisterSession& Session() { return *session_; }
    uint16_t BoundPort() const;

    QLineEdit* edt_NickName;
    QLineEdit* edt_Age;
    QComboBox* cbb_Sex;
    QLineEdit* edt_Pwd;
    QLineEdit* edt_Pwds;
    QLabel* img1;
    QToolButton* btn_Head;
    QMenu* bsknmgsmn1;
    QLineEdit* edt_Country;
    QLineEdit* edt_Province;
    QLineEdit* edt_Phone;
    QLineEdit* edt_Mobile;
    QLineEdit* edt_Email;
    QLineEdit* edt_QQ;
    QPlainTextEdit* mmo_Note;
    QPushButton* btn_Register;
    QPushButton* btn_Cancel;
    // il1: the head pictures.
    std::vector<QPixmap> il1;
    int HeadIndex() const { return head_index_; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class View;
    void FormShow();
    void btn_RegisterClick();
    void bsknmgsmn1ItemClick(int index);

    TkelChatCFG& cfg_;
    std::unique_ptr<View> view_;
    std::unique_ptr<TPackUdp> udp_;
    std::unique_ptr<TRegisterSession> session_;
    int head_index_ = -1;
    bool closed_ = false;
};

} // namespace kel
