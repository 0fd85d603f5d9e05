#include "platform/AlsaMixer.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <iterator>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

namespace kel {
namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

class TAlsaLine : public IMixerLine {
public:
    TAlsaLine(snd_mixer_t* mixer, snd_mixer_elem_t* elem, bool capture, std::function<void()> on_change)
        : mixer_(mixer), elem_(elem), capture_(capture), on_change_(std::move(on_change))
    {
        wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        snd_mixer_elem_set_callback_private(elem_, this);
        snd_mixer_elem_set_callback(elem_, &TAlsaLine::ElemEvent);
        if (wake_ >= 0) thread_ = std::thread([this] { Watch(); });
    }
    ~TAlsaLine() override
    {
        if (thread_.joinable()) {
            const uint64_t one = 1;
            [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
            thread_.join();
        }
        if (wake_ >= 0) ::close(wake_);
        snd_mixer_close(mixer_);
    }

    bool ReadVolume(uint16_t& value) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        long min = 0, max = 0, v = 0;
        const int e = capture_ ? snd_mixer_selem_get_capture_volume_range(elem_, &min, &max)
                               : snd_mixer_selem_get_playback_volume_range(elem_, &min, &max);
        if (e < 0 || max <= min) return false;
        const int r = capture_ ? snd_mixer_selem_get_capture_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, &v)
                               : snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, &v);
        if (r < 0) return false;
        v = std::clamp(v, min, max);
        value = static_cast<uint16_t>(std::lround(static_cast<double>(v - min) * 65535.0 / static_cast<double>(max - min)));
        return true;
    }

    bool WriteVolume(uint16_t value) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        long min = 0, max = 0;
        const int e = capture_ ? snd_mixer_selem_get_capture_volume_range(elem_, &min, &max)
                               : snd_mixer_selem_get_playback_volume_range(elem_, &min, &max);
        if (e < 0 || max <= min) return false;
        const long v = min + std::lround(static_cast<double>(value) * static_cast<double>(max - min) / 65535.0);
        return (capture_ ? snd_mixer_selem_set_capture_volume_all(elem_, v) : snd_mixer_selem_set_playback_volume_all(elem_, v)) >= 0;
    }

private:
    static int ElemEvent(snd_mixer_elem_t* elem, unsigned int mask)
    {
        auto* self = static_cast<TAlsaLine*>(snd_mixer_elem_get_callback_private(elem));
        if (self && (mask & SND_CTL_EVENT_MASK_VALUE)) self->changed_ = true;
        return 0;
    }

    // Waits for the card's events; the notification runs after the mixer's
    // lock is released, so it may read the line again through a hand-over.
    void Watch()
    {
        for (;;) {
            std::vector<pollfd> fds(1);
            fds[0] = {wake_, POLLIN, 0};
            {
                std::lock_guard<std::mutex> guard(lock_);
                const int n = snd_mixer_poll_descriptors_count(mixer_);
                if (n > 0) {
                    fds.resize(1 + static_cast<size_t>(n));
                    snd_mixer_poll_descriptors(mixer_, fds.data() + 1, static_cast<unsigned>(n));
                }
            }
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents) return;
            bool changed = false;
            {
                std::lock_guard<std::mutex> guard(lock_);
                unsigned short revents = 0;
                snd_mixer_poll_descriptors_revents(mixer_, fds.data() + 1, static_cast<unsigned>(fds.size() - 1), &revents);
                if (revents & (POLLERR | POLLHUP | POLLNVAL)) return; // the card went away
                if (revents & POLLIN) snd_mixer_handle_events(mixer_);
                changed = changed_;
                changed_ = false;
            }
            if (changed && on_change_) on_change_();
        }
    }

    std::mutex lock_; // snd_mixer_t is not thread-safe
    snd_mixer_t* mixer_;
    snd_mixer_elem_t* elem_;
    bool capture_;
    bool changed_ = false;
    std::function<void()> on_change_;
    int wake_ = -1;
    std::thread thread_;
};

snd_mixer_elem_t* FindElem(snd_mixer_t* mixer, bool capture)
{
    static const char* const kSpeakers[] = {"Master", "Speaker", "PCM", "Headphone"};
    static const char* const kMic[] = {"Capture", "Mic", "Internal Mic"};
    auto has_volume = [capture](snd_mixer_elem_t* e) {
        return capture ? snd_mixer_selem_has_capture_volume(e) : snd_mixer_selem_has_playback_volume(e);
    };
    snd_mixer_selem_id_t* sid = nullptr;
    snd_mixer_selem_id_alloca(&sid);
    const char* const* names = capture ? kMic : kSpeakers;
    const size_t count = capture ? std::size(kMic) : std::size(kSpeakers);
    for (size_t i = 0; i < count; ++i) {
        snd_mixer_selem_id_set_index(sid, 0);
        snd_mixer_selem_id_set_name(sid, names[i]);
        snd_mixer_elem_t* e = snd_mixer_find_selem(mixer, sid);
        if (e && has_volume(e)) return e;
    }
    if (capture) {
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e))
            if (has_volume(e)) return e;
    }
    return nullptr;
}

} // namespace

std::string TAlsaMixer::ControlDeviceFor(const std::string& device_name)
{
    static const std::regex kHw(R"(hw:(\d+))");
    std::smatch m;
    if (std::regex_search(device_name, m, kHw)) return "hw:" + m[1].str();
    return "default";
}

std::unique_ptr<IMixerLine> TAlsaMixer::OpenLine(TMixerLineKind kind, const std::string& device_name,
                                                 std::function<void()> on_change)
{
    snd_lib_error_set_handler(QuietAlsa);
    const std::string card = ControlDeviceFor(device_name);
    snd_mixer_t* mixer = nullptr;
    int e = snd_mixer_open(&mixer, 0);
    if (e < 0) {
        error_ = std::string("cannot open a mixer: ") + snd_strerror(e);
        return nullptr;
    }
    if ((e = snd_mixer_attach(mixer, card.c_str())) < 0 || (e = snd_mixer_selem_register(mixer, nullptr, nullptr)) < 0 ||
        (e = snd_mixer_load(mixer)) < 0) {
        error_ = "no mixer for " + card + ": " + snd_strerror(e);
        snd_mixer_close(mixer);
        return nullptr;
    }
    const bool capture = kind == TMixerLineKind::Microphone;
    snd_mixer_elem_t* elem = FindElem(mixer, capture);
    if (!elem) {
        error_ = std::string("the mixer of ") + card + " has no " + (capture ? "microphone" : "speaker") + " volume";
        snd_mixer_close(mixer);
        return nullptr;
    }
    error_.clear();
    return std::make_unique<TAlsaLine>(mixer, elem, capture, std::move(on_change));
}

std::string TAlsaMixer::LastError() const { return error_; }

} // namespace kel
