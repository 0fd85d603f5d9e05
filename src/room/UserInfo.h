#pragma once
// TfrmUserInfo: the profile window "查看资料" of one user, with the pages
// "基本信息" and "联系方式". It has its own task-bar button and frees itself
// when closed; the room window finds an open one by its user number.
#include <QWidget>

#include "protocol/RoomUserMessages.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace kel {

class TfrmUserInfo : public QWidget {
    Q_OBJECT
public:
    explicit TfrmUserInfo(QWidget* owner);

    int32_t UserID() const { return user_id_; }
    void SetUserID(int32_t id) { user_id_ = id; }
    void Fill(const TUserProfile& p);

    QTabWidget* pages;
    QLineEdit *edtUserID, *edtNickName, *edtUserLevel, *edtUserScore, *edtSex, *edtAge;
    QPlainTextEdit* memNote;
    QLineEdit *edtCountry, *edtProvince, *edtPhone, *edtMobile, *edtEmail, *edtQQ;
    QLabel* lbIsVisable;
    QPushButton *btnUpdate, *btnClose;

private:
    int32_t user_id_ = 0;
};

} // namespace kel
