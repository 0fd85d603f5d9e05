#include "calibrator/Calibrator.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>

#include "calibrator/LevelBar.h"
#include "calibrator/VideoWindow.h"

namespace kel {
namespace {

using W = TCalibratorWizard;

QLabel* Text(QWidget* page, const char* text, int x, int y, int w = 266, int h = 16, bool red = false)
{
    auto* l = new QLabel(QString::fromUtf8(text), page);
    l->setGeometry(x, y, w, h);
    l->setWordWrap(h > 16);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (red) l->setStyleSheet("color: red;");
    return l;
}

QComboBox* DropDown(QWidget* page, const char* caption, int y)
{
    auto* label = Text(page, caption, 8, y + 3, 72);
    auto* box = new QComboBox(page);
    box->setGeometry(84, y, 186, 21);
    label->setBuddy(box);
    return box;
}

QSlider* Slider(QWidget* page, int y)
{
    auto* s = new QSlider(Qt::Horizontal, page);
    s->setGeometry(4, y, 270, 26);
    s->setRange(0, 65535);
    s->setTickInterval(2000);
    s->setTickPosition(QSlider::TicksBelow);
    s->setSingleStep(655);
    s->setPageStep(6553);
    s->setEnabled(false);
    return s;
}

} // namespace

QPixmap CalibratorPicture()
{
    // A microphone, a camera and a speaker on a blue ground, in the few
    // colours of the original's picture.
    QPixmap pm(132, 214);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 214);
    g.setColorAt(0, QColor(0, 64, 160));
    g.setColorAt(1, QColor(0, 128, 192));
    p.fillRect(pm.rect(), g);
    p.setPen(QPen(Qt::white, 2));
    // camera
    p.setBrush(QColor(192, 192, 192));
    p.drawRoundedRect(30, 24, 72, 46, 6, 6);
    p.setBrush(QColor(0, 0, 64));
    p.drawEllipse(QPoint(66, 47), 15, 15);
    p.setBrush(QColor(0, 160, 255));
    p.drawEllipse(QPoint(66, 47), 6, 6);
    // microphone
    p.setBrush(QColor(192, 192, 192));
    p.drawRoundedRect(54, 90, 24, 44, 12, 12);
    p.setBrush(Qt::NoBrush);
    p.drawArc(46, 104, 40, 40, 180 * 16, 180 * 16);
    p.drawLine(66, 144, 66, 156);
    p.drawLine(54, 156, 78, 156);
    // speaker
    p.setBrush(QColor(192, 192, 192));
    QPainterPath cone;
    cone.moveTo(40, 178);
    cone.lineTo(50, 178);
    cone.lineTo(64, 166);
    cone.lineTo(64, 202);
    cone.lineTo(50, 190);
    cone.lineTo(40, 190);
    cone.closeSubpath();
    p.drawPath(cone);
    p.setBrush(Qt::NoBrush);
    p.drawArc(60, 170, 20, 28, -60 * 16, 120 * 16);
    p.drawArc(60, 162, 34, 44, -60 * 16, 120 * 16);
    return pm;
}

TfrmCalibrator::TfrmCalibrator(TCalibratorDevices devices, const std::string& settings_file, QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmCalibrator");
    setWindowTitle(QString::fromUtf8("音频和视频调节向导"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(423, 261);
    QFont f;
    f.setFamilies({"SimSun", QString::fromUtf8("宋体"), "WenQuanYi Micro Hei"});
    f.setPixelSize(12);
    setFont(f);

    pnl_img = new QWidget(this);
    pnl_img->setGeometry(0, 0, 141, 226);
    Image1 = new QLabel(pnl_img);
    Image1->setGeometry(4, 6, 132, 214);
    Image1->setPixmap(CalibratorPicture());

    pnl_button = new QWidget(this);
    pnl_button->setGeometry(0, 226, 423, 35);
    auto* line = new QFrame(pnl_button);
    line->setGeometry(0, 0, 423, 2);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    btnPrevious = new QPushButton(QString::fromUtf8("< 上一步(&B)"), pnl_button);
    btnPrevious->setGeometry(168, 6, 80, 24);
    btnPrevious->setEnabled(false);
    btnNext = new QPushButton(QString::fromUtf8(W::kNextCaption), pnl_button);
    btnNext->setGeometry(250, 6, 80, 24);
    btnNext->setDefault(true);
    btnCancle = new QPushButton(QString::fromUtf8("取消"), pnl_button);
    btnCancle->setGeometry(340, 6, 75, 24);
    btn_help = new QPushButton(QString::fromUtf8("帮助"), pnl_button);
    btn_help->setGeometry(8, 6, 75, 24);
    btn_help->setVisible(false);

    nbWizard = new QStackedWidget(this);
    nbWizard->setGeometry(141, 0, 282, 226);
    BuildPages();

    // Device threads report through queued calls on this dialog; Qt drops
    // them if the dialog is gone by then.
    auto post = [this](std::function<void()> task) { QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection); };
    wizard_ = std::make_unique<TCalibratorWizard>(devices, post, settings_file);
    wizard_->OnChange = [this](W::TChange what) { Changed(what); };

    connect(btnNext, &QPushButton::clicked, this, [this] { btnNextClick(); });
    connect(btnPrevious, &QPushButton::clicked, this, [this] { wizard_->Previous(); });
    connect(btnCancle, &QPushButton::clicked, this, [this] { reject(); });
    connect(cbb_Video, &QComboBox::currentIndexChanged, this, [this](int i) { wizard_->SelectVideo(i); });
    connect(cbb_Input, &QComboBox::currentIndexChanged, this, [this](int i) { wizard_->SelectInput(i); });
    connect(cbb_Output, &QComboBox::currentIndexChanged, this, [this](int i) { wizard_->SelectOutput(i); });
    connect(trckbr_Mic, &QSlider::valueChanged, this,
            [this](int v) { wizard_->MoveSlider(TMixerLineKind::Microphone, static_cast<uint16_t>(v)); });
    connect(trckbr_Spk, &QSlider::valueChanged, this,
            [this](int v) { wizard_->MoveSlider(TMixerLineKind::Speakers, static_cast<uint16_t>(v)); });
    connect(trckbr_Mic, &QSlider::sliderPressed, this, [this] { wizard_->HoldSlider(TMixerLineKind::Microphone, true); });
    connect(trckbr_Mic, &QSlider::sliderReleased, this, [this] { wizard_->HoldSlider(TMixerLineKind::Microphone, false); });
    connect(trckbr_Spk, &QSlider::sliderPressed, this, [this] { wizard_->HoldSlider(TMixerLineKind::Speakers, true); });
    connect(trckbr_Spk, &QSlider::sliderReleased, this, [this] { wizard_->HoldSlider(TMixerLineKind::Speakers, false); });

    wizard_->Start();
}

TfrmCalibrator::~TfrmCalibrator()
{
    if (wizard_) wizard_->OnChange = nullptr;
}

void TfrmCalibrator::BuildPages()
{
    auto* welcome = new QWidget;
    welcome->setObjectName("WelCome");
    Text(welcome, "此向导可以帮助您验证摄像机，扬声器和麦克风是否工作正常。", 8, 14, 266, 34);
    Text(welcome, "继续之前：", 8, 60);
    Text(welcome, "1. 关闭显示视频、播放或记录声音的所有其他程序。", 8, 84, 266, 34);
    Text(welcome, "2. 确保您的摄象机、扬声器和麦克风已经插好并打开。", 8, 122, 266, 34);
    Text(welcome, "若要继续，请单击“下一步”。", 8, 200);
    nbWizard->addWidget(welcome);

    auto* drivers = new QWidget;
    drivers->setObjectName("DriverSelect");
    Text(drivers, "请选择您要使用的摄像机、麦克风和扬声器：", 8, 14);
    cbb_Video = DropDown(drivers, "摄象机(&C):", 48);
    cbb_Input = DropDown(drivers, "麦克风(M):", 88);
    cbb_Output = DropDown(drivers, "扬声器(&S):", 128);
    nbWizard->addWidget(drivers);

    auto* audio = new QWidget;
    audio->setObjectName("ATest");
    Text(audio, "调节麦克风和扬声器音量大小至您需要的大小。", 8, 10, 266, 30);
    Text(audio, "说明：", 8, 42, 266, 16, true);
    Text(audio, "假如回声很大或没有声音请看帮助，", 8, 58, 266, 16, true);
    Text(audio, "帮助中有详细的设置说明。", 8, 74, 266, 16, true);
    Text(audio, "麦克风音量:", 8, 98);
    pb_mic = new TLevelBar(TLevelBar::TStyle::Microphone, audio);
    pb_mic->move(12, 116);
    trckbr_Mic = Slider(audio, 124);
    Text(audio, "扬声器音量:", 8, 156);
    pb_vol = new TLevelBar(TLevelBar::TStyle::Speakers, audio);
    pb_vol->move(12, 174);
    trckbr_Spk = Slider(audio, 182);
    nbWizard->addWidget(audio);

    auto* video = new QWidget;
    video->setObjectName("VTest");
    Text(video, "调整您的摄像机使下面显示的图像正是您所需要的。", 8, 10, 266, 30);
    Text(video, "说明：", 8, 42, 266, 16, true);
    Text(video, "在光线比较暗的情况下，请把“曝光” 值加大。", 8, 58, 272, 16, true);
    Text(video, "也可以把亮度值加大。", 8, 74, 266, 16, true);
    VideoWindow = new TVideoWindow(video);
    VideoWindow->move(8, 96);
    btn_VideoSet = new QPushButton(QString::fromUtf8("画面调节"), video);
    btn_VideoSet->setGeometry(190, 192, 75, 24);
    nbWizard->addWidget(video);

    auto* finish = new QWidget;
    finish->setObjectName("Finish");
    Text(finish, "“音频和视频调节向导”现在已经运行完毕。", 8, 14, 266, 34);
    Text(finish, "如果以后摄像机、扬声器或麦克风出现问题，或者需要更改其他程序中的音频或视频设置，请再次运行此向导。", 8, 56, 266, 68);
    Text(finish, "若要关闭该向导，请单击“完成”。", 8, 200);
    nbWizard->addWidget(finish);
}

void TfrmCalibrator::Changed(W::TChange what)
{
    switch (what) {
    case W::TChange::Page: ShowPage(); break;
    case W::TChange::Lists: ShowLists(); break;
    case W::TChange::MicSlider: ShowSlider(trckbr_Mic, wizard_->MicSlider()); break;
    case W::TChange::SpkSlider: ShowSlider(trckbr_Spk, wizard_->SpkSlider()); break;
    case W::TChange::Level:
        pb_mic->SetLevel(wizard_->Level());
        pb_vol->SetLevel(wizard_->Level());
        break;
    case W::TChange::Frame: {
        std::vector<uint8_t> rgb;
        int32_t w = 0, h = 0;
        if (!wizard_->LatestFrame(rgb, w, h)) rgb.clear();
        VideoWindow->ShowFrame(rgb, w, h);
        break;
    }
    }
}

void TfrmCalibrator::ShowPage()
{
    nbWizard->setCurrentIndex(wizard_->CurrentPage());
    btnPrevious->setEnabled(wizard_->PreviousEnabled());
    btnNext->setText(QString::fromStdString(wizard_->NextCaption()));
}

void TfrmCalibrator::ShowLists()
{
    auto fill = [](QComboBox* box, const std::vector<std::string>& items, int selected) {
        const QSignalBlocker quiet(box);
        box->clear();
        for (const std::string& s : items) box->addItem(QString::fromStdString(s));
        box->setCurrentIndex(selected);
    };
    fill(cbb_Video, wizard_->VideoItems(), wizard_->VideoItem());
    fill(cbb_Input, wizard_->InputItems(), wizard_->InputItem());
    fill(cbb_Output, wizard_->OutputItems(), wizard_->OutputItem());
}

void TfrmCalibrator::ShowSlider(QSlider* slider, W::TSlider state)
{
    // Set from the mixer: not a move of the user's, so nothing is written back.
    const QSignalBlocker quiet(slider);
    slider->setEnabled(state.enabled);
    if (state.enabled) slider->setValue(state.position);
}

void TfrmCalibrator::btnNextClick()
{
    switch (wizard_->Next()) {
    case W::TNext::Finished: accept(); break;
    case W::TNext::SaveFailed:
        QMessageBox::warning(this, QString::fromUtf8("提示"), QString::fromUtf8("无法保存设置到 AVSet.ini，请检查程序目录是否可写。"));
        break;
    case W::TNext::Moved: break;
    }
}

void TfrmCalibrator::reject()
{
    wizard_->Close();
    QDialog::reject();
}

void TfrmCalibrator::closeEvent(QCloseEvent* event)
{
    wizard_->Close();
    QDialog::closeEvent(event);
}

} // namespace kel
