#include "calibrator/CalibratorWizard.h"

#include <algorithm>

#include "platform/IniFile.h"

namespace kel {
namespace {

constexpr const char* kSection = "AVSet";
constexpr const char* kVideoKey = "VideoDrvIndex";
constexpr const char* kInKey = "AudioInDrvIndex";
constexpr const char* kOutKey = "AudioOutDrvIndex";

// "无" followed by the names; the choice becomes the item of `id` + 1 when
// the list has it and "无" otherwise (a device unplugged since the last
// run, or an index that was never valid). Returns the chosen id.
int32_t FillList(std::vector<std::string>& items, const std::vector<std::string>& names, int32_t id)
{
    items.assign(1, TCalibratorWizard::kNone);
    items.insert(items.end(), names.begin(), names.end());
    const bool fits = id >= 0 && static_cast<size_t>(id) + 2 <= items.size();
    return fits ? id : -1;
}

int32_t ItemToId(int item, const std::vector<std::string>& items)
{
    if (item < 1 || static_cast<size_t>(item) >= items.size()) return -1;
    return item - 1;
}

} // namespace

TCalibratorWizard::TCalibratorWizard(TCalibratorDevices devices, TPost post, std::string settings_file)
    : devices_(devices), post_(std::move(post)), settings_file_(std::move(settings_file))
{
}

TCalibratorWizard::~TCalibratorWizard() { Close(); }

void TCalibratorWizard::Start()
{
    LoadSettings();
    page_ = kWelcome;
    PageChanged();
}

TCalibratorWizard::TNext TCalibratorWizard::Next()
{
    if (page_ == kPageCount - 1) {
        if (!SaveSettings()) return TNext::SaveFailed;
        Close();
        return TNext::Finished;
    }
    ++page_;
    PageChanged();
    return TNext::Moved;
}

void TCalibratorWizard::Previous()
{
    if (page_ == kWelcome) return;
    --page_;
    PageChanged();
}

void TCalibratorWizard::Close()
{
    CloseMixers();
    StopAudioTest();
    StopVideoPreview();
}

void TCalibratorWizard::Changed(TChange what)
{
    if (OnChange) OnChange(what);
}

void TCalibratorWizard::PostAlive(std::function<void()> task)
{
    std::weak_ptr<int> alive = alive_;
    post_([alive, task = std::move(task)] {
        if (alive.lock()) task();
    });
}

void TCalibratorWizard::PageChanged()
{
    // Resources live only on their page: leaving it releases them.
    if (page_ != kAudioTest) {
        CloseMixers();
        StopAudioTest();
    }
    if (page_ != kVideoTest) StopVideoPreview();
    if (page_ == kDriverSelect) {
        ListVideoDevices();
        ListAudioDevices();
    } else if (page_ == kAudioTest) {
        OpenMixer(mic_);
        OpenMixer(spk_);
        StartAudioTest();
    } else if (page_ == kVideoTest) {
        StartVideoPreview();
    }
    Changed(TChange::Page);
}

// ---- device lists

void TCalibratorWizard::ListVideoDevices()
{
    VideoDevID = FillList(video_items_, devices_.camera.Devices(), VideoDevID);
    Changed(TChange::Lists);
}

void TCalibratorWizard::ListAudioDevices()
{
    input_names_ = devices_.audio_in.Devices();
    output_names_ = devices_.audio_out.Devices();
    AudioInDevID = FillList(input_items_, input_names_, AudioInDevID);
    AudioOutDevID = FillList(output_items_, output_names_, AudioOutDevID);
    Changed(TChange::Lists);
}

void TCalibratorWizard::SelectVideo(int item) { VideoDevID = ItemToId(item, video_items_); }
void TCalibratorWizard::SelectInput(int item) { AudioInDevID = ItemToId(item, input_items_); }
void TCalibratorWizard::SelectOutput(int item) { AudioOutDevID = ItemToId(item, output_items_); }

// ---- mixer lines

void TCalibratorWizard::OpenMixer(TLine& l)
{
    l.line.reset();
    ++l.generation;
    l.slider = {};
    const bool mic = l.kind == TMixerLineKind::Microphone;
    const int32_t id = mic ? AudioInDevID : AudioOutDevID;
    const std::vector<std::string>& names = mic ? input_names_ : output_names_;
    // Without a chosen device there is no mixer of it to follow: its test
    // is skipped and the slider stays disabled.
    if (id >= 0 && static_cast<size_t>(id) < names.size()) {
        const TMixerLineKind kind = l.kind;
        const uint32_t generation = l.generation;
        l.line = devices_.mixer.OpenLine(kind, names[static_cast<size_t>(id)], [this, kind, generation] {
            PostAlive([this, kind, generation] { MixerChanged(kind, generation); });
        });
        if (l.line) ReadVolume(l);
    }
    Changed(mic ? TChange::MicSlider : TChange::SpkSlider);
}

void TCalibratorWizard::ReadVolume(TLine& l)
{
    uint16_t v = 0;
    l.slider.enabled = l.line && l.line->ReadVolume(v);
    if (l.slider.enabled) l.slider.position = v;
}

void TCalibratorWizard::CloseMixers()
{
    for (TLine* l : {&mic_, &spk_}) {
        if (!l->line && !l->slider.enabled) continue;
        l->line.reset();
        ++l->generation;
        l->slider.enabled = false;
        Changed(l == &mic_ ? TChange::MicSlider : TChange::SpkSlider);
    }
}

void TCalibratorWizard::MixerChanged(TMixerLineKind kind, uint32_t generation)
{
    TLine& l = LineOf(kind);
    if (generation != l.generation || !l.line || !l.sync) return;
    ReadVolume(l);
    Changed(kind == TMixerLineKind::Microphone ? TChange::MicSlider : TChange::SpkSlider);
}

void TCalibratorWizard::MoveSlider(TMixerLineKind kind, uint16_t position)
{
    TLine& l = LineOf(kind);
    if (!l.line || !l.slider.enabled) return;
    l.slider.position = position;
    l.line->WriteVolume(position);
}

void TCalibratorWizard::HoldSlider(TMixerLineKind kind, bool held) { LineOf(kind).sync = !held; }

// ---- sound test

int TCalibratorWizard::PeakSample(const uint8_t* data, size_t size)
{
    int peak = 0;
    if (!data) return 0;
    for (size_t i = 0; i + 1 < size; i += 4) {
        const int v = static_cast<int16_t>(static_cast<uint16_t>(data[i] | (data[i + 1] << 8)));
        peak = std::max(peak, v < 0 ? -v : v);
    }
    return peak;
}

int TCalibratorWizard::Segments(int level)
{
    if (level <= 0) return 0;
    return std::min(kMaxSegments, (level + kSegmentLevel - 1) / kSegmentLevel);
}

TCalibratorWizard::TSegment TCalibratorWizard::MicSegment(int i)
{
    if (i <= 18) return TSegment::Green;
    if (i <= 25) return TSegment::Yellow;
    return TSegment::Red;
}

void TCalibratorWizard::StartAudioTest()
{
    StopAudioTest();
    level_ = 0;
    posted_segments_ = 0;
    Changed(TChange::Level);
    if (AudioOutDevID >= 0) devices_.audio_out.Open(AudioOutDevID, kTestFormat);
    if (AudioInDevID >= 0) {
        // On the recording thread: the block goes straight to the speakers
        // (the loop-back the echo hint speaks of) and only its level is
        // kept; the bars are redrawn on the GUI thread when the number of
        // lit segments changes.
        devices_.audio_in.Open(AudioInDevID, kTestFormat, kTestBlockBytes, [this](const uint8_t* data, size_t size) {
            devices_.audio_out.Play(data, size);
            const int level = PeakSample(data, size);
            level_.store(level, std::memory_order_relaxed);
            const int segments = Segments(level);
            if (posted_segments_.exchange(segments) != segments) PostAlive([this] { Changed(TChange::Level); });
        });
    }
}

void TCalibratorWizard::StopAudioTest()
{
    devices_.audio_in.Close();
    devices_.audio_out.Close();
}

// ---- camera preview

void TCalibratorWizard::StartVideoPreview()
{
    StopVideoPreview();
    if (VideoDevID < 0) return;
    devices_.camera.Open(VideoDevID, kPreviewWidth, kPreviewHeight, kPreviewFps, [this](const TVideoFrame& f) {
        {
            std::lock_guard<std::mutex> guard(frame_lock_);
            frame_.assign(f.data, f.data + f.size);
            frame_w_ = f.width;
            frame_h_ = f.height;
        }
        // One redraw pending at a time: a slow GUI skips frames, it does
        // not queue them.
        if (!frame_pending_.exchange(true)) PostAlive([this] {
            frame_pending_ = false;
            Changed(TChange::Frame);
        });
    });
}

void TCalibratorWizard::StopVideoPreview()
{
    devices_.camera.Close();
    bool had = false;
    {
        std::lock_guard<std::mutex> guard(frame_lock_);
        had = !frame_.empty();
        frame_.clear();
        frame_w_ = frame_h_ = 0;
    }
    if (had) Changed(TChange::Frame);
}

bool TCalibratorWizard::LatestFrame(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) const
{
    std::lock_guard<std::mutex> guard(frame_lock_);
    if (frame_.empty()) return false;
    rgb = frame_;
    width = frame_w_;
    height = frame_h_;
    return true;
}

// ---- settings

void TCalibratorWizard::LoadSettings()
{
    const TIniFile ini(settings_file_);
    // Anything below -1 (a hand-edited file) means none as well.
    VideoDevID = std::max(-1, ini.ReadInteger(kSection, kVideoKey, -1));
    AudioInDevID = std::max(-1, ini.ReadInteger(kSection, kInKey, -1));
    AudioOutDevID = std::max(-1, ini.ReadInteger(kSection, kOutKey, -1));
}

bool TCalibratorWizard::SaveSettings()
{
    TIniFile ini(settings_file_);
    return ini.WriteInteger(kSection, kVideoKey, VideoDevID) && ini.WriteInteger(kSection, kInKey, AudioInDevID) &&
           ini.WriteInteger(kSection, kOutKey, AudioOutDevID);
}

} // namespace kel
