#pragma once
// TfrmLogin: user number and password, guest entry, registration and the
// deletion of a user's local data. It talks to no server: on OK it has
// filled the own user record's number and digest and the configuration's
// remember-password and typed-password values.
#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kel {

class ILoop;
class TkelChatCFG;
struct TOwnUser;

class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    TfrmLogin(ILoop& loop, TkelChatCFG& cfg, TOwnUser& own, QWidget* parent = nullptr);

    // The registration window is made through this, so tests can reach it.
    std::function<void(QDialog& dialog)> OnRegisterShown;

    QLabel* Image1;
    QFrame* bsSkinPanel1;
    QLabel* lbl2;
    QComboBox* edtUserID;
    QLabel* lbl1;
    QLineEdit* edtUserPwd;
    QCheckBox* CBMemPwd;
    QLabel* llbRegister;
    QLabel* LabDelUser;
    QPushButton* btnLogin;
    QPushButton* btnCancel;
    QPushButton* btn_TouristUser;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void btnLoginClick();
    void btn_TouristUserClick();
    void edtUserIDChange(const QString& text);
    void llbRegisterClick();
    void LabDelUserClick();
    void LoadSavedPassword(const QString& text);

    ILoop& loop_;
    TkelChatCFG& cfg_;
    TOwnUser& own_;
};

} // namespace kel
