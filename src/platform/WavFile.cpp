#include "platform/WavFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kel {
namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

} // namespace

bool ParseWav(const std::vector<uint8_t>& bytes, TWavData& out, std::string& error)
{
    const size_t n = bytes.size();
    const uint8_t* b = bytes.data();
    if (n < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    bool have_fmt = false;
    size_t pos = 12;
    while (n - pos >= 8) {
        const uint8_t* chunk = b + pos;
        const uint32_t len = Le32(chunk + 4);
        const size_t body = pos + 8;
        const size_t avail = n - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (len < 16 || len > avail) {
                error = "truncated format chunk";
                return false;
            }
            uint16_t tag = Le16(b + body);
            if (tag == kFormatExtensible && len >= 26) tag = Le16(b + body + 24); // sub-format's first two bytes
            out.format.channels = Le16(b + body + 2);
            out.format.rate = Le32(b + body + 4);
            out.format.bits = Le16(b + body + 14);
            if (tag != kFormatPcm || !out.format.Valid()) {
                error = "only 8- or 16-bit PCM is supported";
                return false;
            }
            have_fmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_fmt) {
                error = "data chunk before the format chunk";
                return false;
            }
            // A writer that never completed its header leaves the length
            // short or huge: take what the file holds.
            const size_t take = len <= avail ? len : avail;
            const size_t whole = take - take % out.format.BytesPerFrame();
            out.pcm.assign(b + body, b + body + whole);
            return true;
        }
        if (len > avail) break;
        pos = body + len + (len & 1u); // chunks are padded to even sizes
    }
    error = have_fmt ? "no data chunk" : "no format chunk";
    return false;
}

bool ReadWav(const std::string& path, TWavData& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxWavBytes) {
        error = path + " is larger than " + std::to_string(kMaxWavBytes >> 20) + " MiB";
        return false;
    }
    in.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read " + path;
        return false;
    }
    if (!ParseWav(bytes, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool TWavWriter::Open(const std::string& path, const TPcmFormat& format, std::string& error)
{
    Close();
    if (!format.Valid()) {
        error = "unsupported PCM format";
        return false;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    format_ = format;
    data_bytes_ = 0;
    WriteHeader();
    return true;
}

void TWavWriter::Write(const uint8_t* data, size_t size)
{
    if (!file_ || !data) return;
    size -= size % format_.BytesPerFrame();
    const uint32_t room = 0xFFFFFFFFu - 44u - data_bytes_;
    if (size > room) size = room - room % format_.BytesPerFrame();
    if (size == 0) return;
    data_bytes_ += static_cast<uint32_t>(std::fwrite(data, 1, size, file_));
}

void TWavWriter::Close()
{
    if (!file_) return;
    std::fseek(file_, 0, SEEK_SET);
    WriteHeader();
    std::fclose(file_);
    file_ = nullptr;
}

void TWavWriter::WriteHeader()
{
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + data_bytes_);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, kFormatPcm);
    Put16(h + 22, format_.channels);
    Put32(h + 24, format_.rate);
    Put32(h + 28, format_.BytesPerSecond());
    Put16(h + 32, static_cast<uint16_t>(format_.BytesPerFrame()));
    Put16(h + 34, format_.bits);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, data_bytes_);
    std::fwrite(h, 1, sizeof h, file_);
    std::fflush(file_);
    std::fseek(file_, 0, SEEK_END);
}

} // namespace kel
