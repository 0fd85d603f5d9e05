#pragma once
// RIFF WAVE files of plain PCM (8 or 16 bits): reading a whole file, and a
// writer that streams blocks and completes the header when it is closed.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/PcmFormat.h"

namespace kel {

struct TWavData {
    TPcmFormat format;
    std::vector<uint8_t> pcm; // whole frames only
};

// Reads `path`; false with `error` set for a missing, unreadable, truncated
// or non-PCM file, or one larger than kMaxWavBytes.
constexpr size_t kMaxWavBytes = 64u << 20;
bool ReadWav(const std::string& path, TWavData& out, std::string& error);

// The file's bytes as ReadWav takes them apart (for tests and tools).
bool ParseWav(const std::vector<uint8_t>& bytes, TWavData& out, std::string& error);

class TWavWriter {
public:
    TWavWriter() = default;
    ~TWavWriter() { Close(); }
    TWavWriter(const TWavWriter&) = delete;
    TWavWriter& operator=(const TWavWriter&) = delete;

    // Creates (or empties) `path` with a header for `format`.
    bool Open(const std::string& path, const TPcmFormat& format, std::string& error);
    // Appends whole frames; what would take the data past 4 GiB is dropped.
    void Write(const uint8_t* data, size_t size);
    // Writes the final sizes into the header and closes the file.
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    uint32_t DataBytes() const { return data_bytes_; }

private:
    void WriteHeader();

    std::FILE* file_ = nullptr;
    TPcmFormat format_;
    uint32_t data_bytes_ = 0;
};

} // namespace kel
