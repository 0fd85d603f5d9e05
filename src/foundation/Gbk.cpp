#include "foundation/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace kel {

namespace {

// iconv descriptors keep shift state, so each thread has its own pair.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts, calling `skip` to decide how many input bytes to replace by
    // '?' when a sequence cannot be converted.
    template <class Skip>
    std::string Run(std::string_view in, Skip skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(in.size() * 3 / 2 + 4);
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        char buf[512];
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            size_t rc = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (rc != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            if (errno == EINVAL) break; // truncated sequence at the end: drop it
            // EILSEQ: replace what cannot be converted and go on.
            size_t n = skip(std::string_view(src, left));
            out.push_back('?');
            src += n;
            left -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

size_t Utf8SeqLen(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

} // namespace

std::string GbkToUtf8(std::string_view gbk) {
    thread_local Converter conv("UTF-8", "GBK");
    return conv.Run(gbk, [](std::string_view rest) {
        auto c = static_cast<unsigned char>(rest[0]);
        // A bad double-byte pair is replaced as a whole, a stray byte alone.
        return (c >= 0x81 && c <= 0xFE && rest.size() >= 2) ? size_t{2} : size_t{1};
    });
}

std::string Utf8ToGbk(std::string_view utf8, size_t max_bytes) {
    thread_local Converter conv("GBK", "UTF-8");
    std::string out = conv.Run(utf8, [](std::string_view rest) {
        // Replace a whole well-formed but unmappable character; a broken
        // sequence loses only its lead byte so the next character survives.
        size_t n = Utf8SeqLen(static_cast<unsigned char>(rest[0]));
        if (n > rest.size()) return size_t{1};
        for (size_t i = 1; i < n; ++i)
            if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return size_t{1};
        return n;
    });
    out.resize(GbkBoundary(out, max_bytes));
    return out;
}

size_t GbkBoundary(std::string_view gbk, size_t max_bytes) {
    size_t i = 0;
    while (i < gbk.size()) {
        auto c = static_cast<unsigned char>(gbk[i]);
        size_t n = (c >= 0x81 && c <= 0xFE) ? 2 : 1;
        if (i + n > max_bytes || i + n > gbk.size()) break;
        i += n;
    }
    return i;
}

size_t Utf8Boundary(std::string_view utf8, size_t max_bytes) {
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = Utf8SeqLen(static_cast<unsigned char>(utf8[i]));
        if (i + n > max_bytes || i + n > utf8.size()) break;
        i += n;
    }
    return i;
}

} // namespace kel
