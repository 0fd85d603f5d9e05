// The Calibrator program: the device wizard on the devices that AVSet.ini's
// [Devices] section or the environment choose (see DeviceRegistry.h).
#include <QApplication>

#include <cstdio>

#include "calibrator/Calibrator.h"
#include "platform/DeviceRegistry.h"
#include "platform/IniFile.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8("音视频调节向导"));

    // The current directory, which is the client's folder when the client
    // starts the wizard.
    const std::string settings = "./AVSet.ini";
    const kel::TIniFile ini(settings);
    const kel::TDeviceChoice choice = kel::ChooseDevices(&ini);
    auto audio_in = kel::MakeAudioCapture(choice.audio_in);
    auto audio_out = kel::MakeAudioPlayback(choice.audio_out);
    auto mixer = kel::MakeMixer(choice.mixer);
    auto camera = kel::MakeCamera(choice.camera);

    kel::TfrmCalibrator dialog(kel::TCalibratorDevices{*audio_in, *audio_out, *mixer, *camera}, settings);
    dialog.show();
    return app.exec();
}
