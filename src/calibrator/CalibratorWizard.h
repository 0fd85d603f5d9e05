#pragma once
// What the device wizard decides, without a display: the five pages and the
// Back / Next / Cancel flow, the device lists and their preselection from
// AVSet.ini, the loop-back sound test with its level, the mixer volume
// sliders that follow the mixer except while held, the camera preview, and
// saving the choices, which only finishing does. The window (TfrmCalibrator)
// shows this state and forwards the user's actions; tests drive it with
// synthetic devices.
//
// Devices call back on their own threads; everything they report reaches
// the wizard through `post`, which must run the task on the GUI thread.
// Every other call belongs to the GUI thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"
#include "platform/Camera.h"
#include "platform/Mixer.h"

namespace kel {

struct TCalibratorDevices {
    IAudioCapture& audio_in;
    IAudioPlayback& audio_out;
    IMixer& mixer;
    ICamera& camera;
};

class TCalibratorWizard {
public:
    using TPost = std::function<void(std::function<void()>)>;

    enum Page { kWelcome = 0, kDriverSelect = 1, kAudioTest = 2, kVideoTest = 3, kFinish = 4, kPageCount = 5 };
    enum class TChange { Page = 1, Lists, MicSlider, SpkSlider, Level, Frame };
    enum class TNext { Moved = 1, Finished, SaveFailed };
    enum class TSegment { Green = 1, Yellow, Red, Navy };

    struct TSlider {
        bool enabled = false;
        uint16_t position = 0;
    };

    static constexpr const char* kNone = "无";
    static constexpr const char* kNextCaption = "下一步(&N) >";
    static constexpr const char* kFinishCaption = "结束";
    // The sound test: 8000 Hz mono 16-bit in blocks of 160 bytes.
    static constexpr TPcmFormat kTestFormat{8000, 1, 16};
    static constexpr size_t kTestBlockBytes = 160;
    // The preview asks the camera for this size and rate.
    static constexpr int32_t kPreviewWidth = 320, kPreviewHeight = 240, kPreviewFps = 15;
    static constexpr int kSegmentLevel = 1024;
    static constexpr int kMaxSegments = 32;

    TCalibratorWizard(TCalibratorDevices devices, TPost post, std::string settings_file = "./AVSet.ini");
    ~TCalibratorWizard();
    TCalibratorWizard(const TCalibratorWizard&) = delete;
    TCalibratorWizard& operator=(const TCalibratorWizard&) = delete;

    // Called on the GUI thread after each change, for the view to redraw.
    std::function<void(TChange)> OnChange;

    // Creation: the settings are read and page 0 is shown.
    void Start();
    // Next: on the last page saves and reports Finished (the dialog closes)
    // or SaveFailed (it stays open); otherwise goes to the next page.
    TNext Next();
    void Previous();
    // Cancel, or closing the dialog any other way: releases the devices
    // and saves nothing.
    void Close();

    int CurrentPage() const { return page_; }
    bool PreviousEnabled() const { return page_ > 0; }
    std::string NextCaption() const { return page_ == kPageCount - 1 ? kFinishCaption : kNextCaption; }

    // The drop-down lists: "无" and the device names; the selected item is
    // the device index + 1.
    const std::vector<std::string>& VideoItems() const { return video_items_; }
    const std::vector<std::string>& InputItems() const { return input_items_; }
    const std::vector<std::string>& OutputItems() const { return output_items_; }
    int VideoItem() const { return VideoDevID + 1; }
    int InputItem() const { return AudioInDevID + 1; }
    int OutputItem() const { return AudioOutDevID + 1; }
    void SelectVideo(int item);
    void SelectInput(int item);
    void SelectOutput(int item);

    // The current choices, -1 for none.
    int32_t VideoDevID = -1;
    int32_t AudioInDevID = -1;
    int32_t AudioOutDevID = -1;

    TSlider MicSlider() const { return mic_.slider; }
    TSlider SpkSlider() const { return spk_.slider; }
    // The user moved a slider: the line's volume follows.
    void MoveSlider(TMixerLineKind line, uint16_t position);
    // Mouse down (true) and up (false) on a slider: while held, volume
    // changes reported by the mixer do not move it.
    void HoldSlider(TMixerLineKind line, bool held);

    // The level of the last recorded block, 0..32768, shown by both bars.
    int Level() const { return level_.load(std::memory_order_relaxed); }
    bool AudioTestRunning() const { return devices_.audio_in.IsOpen() || devices_.audio_out.IsOpen(); }
    bool PreviewRunning() const { return devices_.camera.IsOpen(); }
    // The newest preview frame (RGB, rows from the top); false before one came.
    bool LatestFrame(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) const;

    // The largest magnitude among every second 16-bit sample of a block
    // (byte offsets 0, 4, 8, ...), 0..32768.
    static int PeakSample(const uint8_t* data, size_t size);
    // Lit segments of a bar at `level`: i = 0, 1, ... while i * 1024 < level.
    static int Segments(int level);
    // Colour of segment i of the microphone bar (the speaker bar is navy).
    static TSegment MicSegment(int i);

private:
    struct TLine {
        TMixerLineKind kind;
        std::unique_ptr<IMixerLine> line;
        TSlider slider;
        bool sync = true;
        uint32_t generation = 0; // tells notifications of a closed line from the current one's
    };

    void PageChanged();
    void Changed(TChange what);
    void ListVideoDevices();
    void ListAudioDevices();
    void OpenMixer(TLine& line);
    void CloseMixers();
    void ReadVolume(TLine& line);
    void MixerChanged(TMixerLineKind kind, uint32_t generation);
    void StartAudioTest();
    void StopAudioTest();
    void StartVideoPreview();
    void StopVideoPreview();
    void LoadSettings();
    bool SaveSettings();
    TLine& LineOf(TMixerLineKind kind) { return kind == TMixerLineKind::Microphone ? mic_ : spk_; }
    // Runs `task` on the GUI thread unless the wizard is gone by then.
    void PostAlive(std::function<void()> task);

    TCalibratorDevices devices_;
    TPost post_;
    std::string settings_file_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    int page_ = kWelcome;
    std::vector<std::string> video_items_{kNone}, input_items_{kNone}, output_items_{kNone};
    std::vector<std::string> input_names_, output_names_;
    TLine mic_{TMixerLineKind::Microphone, nullptr, {}, true, 0};
    TLine spk_{TMixerLineKind::Speakers, nullptr, {}, true, 0};

    std::atomic<int> level_{0};
    std::atomic<int> posted_segments_{0};

    mutable std::mutex frame_lock_;
    std::vector<uint8_t> frame_;
    int32_t frame_w_ = 0, frame_h_ = 0;
    std::atomic<bool> frame_pending_{false};
};

} // namespace kel
