#include "platform/MemoryMixer.h"

#include <algorithm>

namespace kel {

class TMemoryMixer::Line : public IMixerLine {
public:
    Line(TMemoryMixer& mixer, TMixerLineKind kind, std::function<void()> on_change)
        : mixer_(mixer), kind_(kind), on_change_(std::move(on_change)) {}
    ~Line() override { mixer_.Remove(this); }

    bool ReadVolume(uint16_t& value) override { return mixer_.Read(kind_, value); }
    bool WriteVolume(uint16_t value) override
    {
        mixer_.SetVolume(kind_, value);
        return true;
    }
    void Notify()
    {
        if (on_change_) on_change_();
    }
    TMixerLineKind Kind() const { return kind_; }

private:
    TMemoryMixer& mixer_;
    TMixerLineKind kind_;
    std::function<void()> on_change_;
};

TMemoryMixer::TMemoryMixer(uint16_t speakers, uint16_t microphone)
{
    state_[TMixerLineKind::Speakers].volume = speakers;
    state_[TMixerLineKind::Microphone].volume = microphone;
}

TMemoryMixer::~TMemoryMixer() = default;

std::unique_ptr<IMixerLine> TMemoryMixer::OpenLine(TMixerLineKind kind, const std::string&, std::function<void()> on_change)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    State& s = state_[kind];
    if (!s.available) {
        error_ = kind == TMixerLineKind::Speakers ? "no speaker line" : "no microphone line";
        return nullptr;
    }
    error_.clear();
    auto line = std::make_unique<Line>(*this, kind, std::move(on_change));
    s.lines.push_back(line.get());
    return line;
}

std::string TMemoryMixer::LastError() const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return error_;
}

uint16_t TMemoryMixer::Volume(TMixerLineKind kind) const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return state_.at(kind).volume;
}

void TMemoryMixer::SetVolume(TMixerLineKind kind, uint16_t value)
{
    // Lines are notified under the lock, so a line being destroyed on
    // another thread waits until its notification has run.
    std::lock_guard<std::recursive_mutex> guard(lock_);
    State& s = state_[kind];
    if (s.volume == value) return;
    s.volume = value;
    const std::vector<Line*> lines = s.lines;
    for (Line* line : lines) line->Notify();
}

void TMemoryMixer::SetLineAvailable(TMixerLineKind kind, bool available)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    state_[kind].available = available;
}

void TMemoryMixer::SetReadable(TMixerLineKind kind, bool readable)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    state_[kind].readable = readable;
}

int TMemoryMixer::OpenLines(TMixerLineKind kind) const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return static_cast<int>(state_.at(kind).lines.size());
}

void TMemoryMixer::Remove(Line* line)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    auto& lines = state_[line->Kind()].lines;
    lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
}

bool TMemoryMixer::Read(TMixerLineKind kind, uint16_t& value) const
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const State& s = state_.at(kind);
    if (!s.readable) return false;
    value = s.volume;
    return true;
}

} // namespace kel
