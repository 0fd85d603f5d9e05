#pragma once
// TfrmCalibrator, the device wizard's dialog: five pages in a notebook with
// Back / Next / Cancel, the sound test's level bars and volume sliders and
// the camera preview. It only draws and forwards; TCalibratorWizard decides.
#include <QDialog>

#include <memory>

#include "calibrator/CalibratorWizard.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QStackedWidget;

namespace kel {

class TLevelBar;
class TVideoWindow;

class TfrmCalibrator : public QDialog {
public:
    // `settings_file` is AVSet.ini ("./AVSet.ini" in the program).
    TfrmCalibrator(TCalibratorDevices devices, const std::string& settings_file, QWidget* parent = nullptr);
    ~TfrmCalibrator() override;

    TCalibratorWizard& Wizard() { return *wizard_; }

    QWidget* pnl_img = nullptr;
    QLabel* Image1 = nullptr;
    QWidget* pnl_button = nullptr;
    QPushButton* btnCancle = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnPrevious = nullptr;
    QPushButton* btn_help = nullptr;
    QStackedWidget* nbWizard = nullptr;
    QComboBox* cbb_Video = nullptr;
    QComboBox* cbb_Input = nullptr;
    QComboBox* cbb_Output = nullptr;
    TLevelBar* pb_mic = nullptr;
    TLevelBar* pb_vol = nullptr;
    QSlider* trckbr_Mic = nullptr;
    QSlider* trckbr_Spk = nullptr;
    TVideoWindow* VideoWindow = nullptr;
    QPushButton* btn_VideoSet = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildPages();
    void Changed(TCalibratorWizard::TChange what);
    void ShowPage();
    void ShowLists();
    void ShowSlider(QSlider* slider, TCalibratorWizard::TSlider state);
    void btnNextClick();

    std::unique_ptr<TCalibratorWizard> wizard_;
};

// The left-hand picture of the dialog, 132 x 214.
QPixmap CalibratorPicture();

} // namespace kel
