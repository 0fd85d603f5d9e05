#pragma once
// TPasswordMng ("密码管理"): asks for a room's password, non-modal. OK or
// Enter hands the typed text to OnPassword and closes the dialog.
#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kel {

class TPasswordMng : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordMng(QWidget* parent = nullptr);

    std::function<void(const std::string& password)> OnPassword;

    QLabel* lblPrompt;
    QLineEdit* edtPassword;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void btnOKClick();
};

} // namespace kel
