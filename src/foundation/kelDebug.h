#pragma once
// The diagnostic log: time-stamped lines appended to one file per day in the
// current directory ("7-4.log" on the fourth of July), each ended by CR LF.
// Logging must never disturb the program, so every error is swallowed.
#include <atomic>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

namespace kel {

class TDeBug {
public:
    // Lines are written only while both flags are true (both are after
    // creation).
    std::atomic<bool> Enabled{true};
    std::atomic<bool> Active{true};

    // Appends "[date time] text" CR LF to the day's file. Thread-safe.
    void Write(std::string_view text);

    // The folder the day files go to; empty (the default) is the current
    // directory.
    void SetFolder(std::string folder);

    // "M-D.log" for the given local date.
    static std::string DayFileName(const std::tm& local);

private:
    std::mutex lock_;
    std::string folder_;
};

// The one log of the process, alive from the first use to the end.
TDeBug& GlobalDebug();

// Writes through GlobalDebug(); never throws.
void Log(std::string_view text);

} // namespace kel
