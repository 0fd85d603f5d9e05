// The wizard's window on the offscreen platform with the synthetic devices
// chosen the way a user without hardware would choose them: a tone for the
// microphone, a WAV file as the speakers, the in-memory mixer and the test
// pattern camera.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "../shell/Screenshots.h"
#include "calibrator/Calibrator.h"
#include "calibrator/LevelBar.h"
#include "calibrator/VideoWindow.h"
#include "platform/DeviceRegistry.h"
#include "platform/IniFile.h"
#include "platform/MemoryMixer.h"
#include "platform/WavFile.h"
#include "support/TempDir.h"

namespace kel {
namespace {

struct Devices {
    explicit Devices(const TIniFile& ini)
    {
        const TDeviceChoice c = ChooseDevices(&ini);
        in = MakeAudioCapture(c.audio_in);
        out = MakeAudioPlayback(c.audio_out);
        mixer = MakeMixer(c.mixer);
        camera = MakeCamera(c.camera);
    }
    TCalibratorDevices Refs() { return {*in, *out, *mixer, *camera}; }
    std::unique_ptr<IAudioCapture> in;
    std::unique_ptr<IAudioPlayback> out;
    std::unique_ptr<IMixer> mixer;
    std::unique_ptr<ICamera> camera;
};

QStringList Items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

TEST(CalibratorWindow, WalksEveryPageWithTheTestDevicesAndSavesOnFinish)
{
    test::TempDir dir;
    const std::string settings = dir.Write("AVSet.ini", "[AVSet]\nVideoDrvIndex=0\nAudioInDrvIndex=0\nAudioOutDrvIndex=0\n");
    setenv("KEL_AUDIO", "tone:600:30000", 1);
    setenv("KEL_AUDIO_OUT", ("wav:" + dir.File("heard.wav")).c_str(), 1);
    setenv("KEL_CAMERA", "pattern", 1);
    const TIniFile ini(settings);
    Devices dev(ini);
    for (const char* v : {"KEL_AUDIO", "KEL_AUDIO_OUT", "KEL_CAMERA"}) unsetenv(v);
    auto* mixer = dynamic_cast<TMemoryMixer*>(dev.mixer.get());
    ASSERT_NE(mixer, nullptr); // KEL_AUDIO with a test source brings the in-memory mixer

    TfrmCalibrator win(dev.Refs(), settings);
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    EXPECT_EQ(win.windowTitle(), QString::fromUtf8("音频和视频调节向导"));
    EXPECT_EQ(win.size(), QSize(423, 261));
    EXPECT_EQ(win.nbWizard->currentIndex(), 0);
    EXPECT_FALSE(win.btnPrevious->isEnabled());
    EXPECT_EQ(win.btnNext->text(), QString::fromUtf8("下一步(&N) >"));
    EXPECT_EQ(win.btnCancle->text(), QString::fromUtf8("取消"));
    EXPECT_FALSE(win.btn_help->isVisible());
    Shot(win, "calibrator-0-welcome");

    win.btnNext->click();
    EXPECT_EQ(win.nbWizard->currentIndex(), 1);
    EXPECT_TRUE(win.btnPrevious->isEnabled());
    EXPECT_EQ(Items(win.cbb_Video), (QStringList{QString::fromUtf8("无"), "Test pattern"}));
    EXPECT_EQ(Items(win.cbb_Input), (QStringList{QString::fromUtf8("无"), "Test tone 600 Hz"}));
    EXPECT_EQ(Items(win.cbb_Output), (QStringList{QString::fromUtf8("无"), "WAV file heard.wav"}));
    EXPECT_EQ(win.cbb_Video->currentIndex(), 1);
    EXPECT_EQ(win.cbb_Input->currentIndex(), 1);
    Shot(win, "calibrator-1-devices");

    win.btnNext->click();
    EXPECT_EQ(win.nbWizard->currentIndex(), 2);
    // The tone's peak of 30000 lights 30 segments on both bars.
    EXPECT_TRUE(QTest::qWaitFor([&] { return win.pb_mic->Level() == 30000 && win.pb_vol->Level() == 30000; }, 20000));
    EXPECT_TRUE(win.trckbr_Mic->isEnabled());
    EXPECT_TRUE(win.trckbr_Spk->isEnabled());
    EXPECT_EQ(win.trckbr_Spk->value(), mixer->Volume(TMixerLineKind::Speakers));
    EXPECT_EQ(win.trckbr_Mic->value(), mixer->Volume(TMixerLineKind::Microphone));
    // Another program turns the speakers down: the slider follows.
    mixer->SetVolume(TMixerLineKind::Speakers, 8000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return win.trckbr_Spk->value() == 8000; }, 5000));
    // The user moves the microphone slider: the mixer follows.
    win.trckbr_Mic->setValue(50000);
    EXPECT_EQ(mixer->Volume(TMixerLineKind::Microphone), 50000);
    const QImage bar = win.pb_mic->grab().toImage();
    EXPECT_EQ(bar.pixelColor(4, 3), QColor(0, 192, 0));   // first segment green
    EXPECT_EQ(bar.pixelColor(8 * 20 + 4, 3), QColor(255, 255, 0)); // 21st yellow
    EXPECT_EQ(bar.pixelColor(8 * 29 + 4, 3), QColor(255, 0, 0));   // 30th red
    EXPECT_EQ(bar.pixelColor(8 * 31 + 4, 3), QColor(Qt::white));   // 32nd unlit
    Shot(win, "calibrator-2-sound");

    win.btnNext->click();
    EXPECT_EQ(win.nbWizard->currentIndex(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return win.VideoWindow->HasFrame(); }, 20000));
    const QImage first = win.VideoWindow->grab().toImage();
    EXPECT_NE(first.pixelColor(10, 10), QColor(Qt::black)); // the pattern's white bar, not a black window
    Shot(win, "calibrator-3-video");

    win.btnNext->click();
    EXPECT_EQ(win.nbWizard->currentIndex(), 4);
    EXPECT_EQ(win.btnNext->text(), QString::fromUtf8("结束"));
    EXPECT_FALSE(dev.camera->IsOpen());
    EXPECT_FALSE(win.VideoWindow->HasFrame());
    Shot(win, "calibrator-4-finish");

    // Back to the device page, camera to "无", then finish.
    win.btnPrevious->click();
    win.btnPrevious->click();
    win.btnPrevious->click();
    EXPECT_EQ(win.nbWizard->currentIndex(), 1);
    win.cbb_Video->setCurrentIndex(0);
    for (int i = 0; i < 4; ++i) win.btnNext->click();
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(win.result(), QDialog::Accepted);
    const TIniFile saved(settings);
    EXPECT_EQ(saved.ReadInteger("AVSet", "VideoDrvIndex", 9), -1);
    EXPECT_EQ(saved.ReadInteger("AVSet", "AudioInDrvIndex", 9), 0);
    EXPECT_EQ(saved.ReadInteger("AVSet", "AudioOutDrvIndex", 9), 0);

    // What the speakers were given is the tone.
    TWavData heard;
    std::string error;
    ASSERT_TRUE(ReadWav(dir.File("heard.wav"), heard, error)) << error;
    EXPECT_GT(heard.pcm.size(), 0u);
}

TEST(CalibratorWindow, CancelSavesNothingAndNoDevicesLeaveOnlyNone)
{
    test::TempDir dir;
    const std::string settings = dir.File("AVSet.ini");
    // Backends that list nothing: a machine without any device.
    TIniFile ini(dir.Write("devices.ini", "[Devices]\nAudioIn=wav:/no/such.wav\nAudioOut=nothing\nMixer=none\nCamera=v4l2:/no/such/dir\n"));
    Devices dev(ini);
    TfrmCalibrator win(dev.Refs(), settings);
    win.show();
    win.btnNext->click();
    EXPECT_EQ(Items(win.cbb_Video), QStringList{QString::fromUtf8("无")});
    EXPECT_EQ(Items(win.cbb_Input), QStringList{QString::fromUtf8("无")});
    EXPECT_EQ(Items(win.cbb_Output), QStringList{QString::fromUtf8("无")});
    win.btnNext->click();
    EXPECT_FALSE(win.trckbr_Mic->isEnabled());
    EXPECT_FALSE(win.trckbr_Spk->isEnabled());
    EXPECT_EQ(win.pb_mic->Level(), 0);
    win.btnNext->click();
    EXPECT_FALSE(win.VideoWindow->HasFrame());
    win.btnNext->click();
    win.btnCancle->click();
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(win.result(), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(settings));
}

} // namespace
} // namespace kel
