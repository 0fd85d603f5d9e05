#pragma once
// TfrmShowMessage2: the non-modal upgrade prompt for a room the user's
// level is too low for; "立即升级" opens the payment page for that room.
#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace kel {

class TfrmShowMessage2 : public QDialog {
    Q_OBJECT
public:
    TfrmShowMessage2(const QString& pay_page_url, int32_t room_number, QWidget* parent = nullptr);

    // The address the button opens: PayPageUrl + "?RooomID=" + the room.
    QString UpgradeUrl() const;
    // How a web address reaches the desktop; replaceable for tests.
    std::function<void(const QUrl& url)> OpenExternal;

    QLabel* lblMessage;
    QPushButton* btnUpgrade;

private:
    QString pay_page_url_;
    int32_t room_number_;
};

} // namespace kel
