#pragma once
// TfrmSelfInfo ("个人资料"): changes the own nickname and, when the old
// password is given, the password. The hall sends the change and passes
// the answer back through Answered(); the dialog frees itself when closed.
#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace kel {

struct TOwnUser;

class TfrmSelfInfo : public QDialog {
    Q_OBJECT
public:
    TfrmSelfInfo(const TOwnUser& own, QWidget* parent = nullptr);

    // (new nickname, new digest or empty, current digest): the hall's change.
    std::function<void(const std::string&, const std::string&, const std::string&)> OnChange;
    // The answer 19022's status.
    void Answered(int32_t status);

    QLineEdit* edtUserID;
    QLineEdit* edtNickName;
    QLineEdit* edtpwd_old;
    QLineEdit* edtpwd_new;
    QLineEdit* edtpwd_new1;
    QPushButton* btnEnter;
    QPushButton* btnCancel;

private:
    void btnEnterClick();
    const TOwnUser& own_;
};

} // namespace kel
