#pragma once
// A mixer held in memory, for tests and machines without a sound card: one
// speaker and one microphone volume shared by every line opened on it,
// whatever device is named. SetVolume plays "another program" changing a
// volume; every change, by a line or by SetVolume, notifies every open line
// of that kind at once on the changing thread, and only when the value
// really changed (as sound card mixers do).
#include <map>
#include <mutex>
#include <vector>

#include "platform/Mixer.h"

namespace kel {

class TMemoryMixer : public IMixer {
public:
    TMemoryMixer(uint16_t speakers = 49152, uint16_t microphone = 32768);
    ~TMemoryMixer() override;

    std::unique_ptr<IMixerLine> OpenLine(TMixerLineKind kind, const std::string& device_name,
                                         std::function<void()> on_change) override;
    std::string LastError() const override;

    uint16_t Volume(TMixerLineKind kind) const;
    void SetVolume(TMixerLineKind kind, uint16_t value);
    // A line that is missing cannot be opened; one whose control is not
    // readable opens but fails ReadVolume.
    void SetLineAvailable(TMixerLineKind kind, bool available);
    void SetReadable(TMixerLineKind kind, bool readable);
    // How many lines of `kind` are open now.
    int OpenLines(TMixerLineKind kind) const;

private:
    class Line;
    struct State {
        uint16_t volume = 0;
        bool available = true;
        bool readable = true;
        std::vector<Line*> lines;
    };

    void Remove(Line* line);
    bool Read(TMixerLineKind kind, uint16_t& value) const;

    mutable std::recursive_mutex lock_;
    std::map<TMixerLineKind, State> state_;
    std::string error_;
};

} // namespace kel
