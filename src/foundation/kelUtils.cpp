#include "foundation/kelUtils.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <charconv>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <random>
#include <unordered_map>
#include <vector>

#include "platform/AdapterAddress.h"
#include "platform/HostLookup.h"

namespace kel {

bool SameText(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string LocalClockText() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string CutAtFirstLineBreak(std::string s) {
    const size_t p = s.find(kCrLf);
    if (p != std::string::npos)
        s.resize(p);
    return s;
}

// Removing the span from the first '<' to the next '>' again and again
// leaves no '<' before the cut, so one pass does the same work.
std::string RemoveTagSpans(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '<') {
            const size_t close = text.find('>', i + 1);
            if (close == std::string_view::npos)
                break;
            i = close + 1;
            continue;
        }
        out += text[i++];
    }
    out.append(text.substr(i));
    return out;
}

void AppendHexByte(std::string& out, uint8_t b) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0x0F];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsCodeChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

constexpr size_t kEmotionIdLength = 32;
constexpr size_t kEmotionCodeLength = kEmotionIdLength + 2;

// Whether an emoticon code starts at `pos`.
bool IsEmotionCodeAt(std::string_view text, size_t pos) {
    if (text.size() - pos < kEmotionCodeLength || text[pos] != '{' || text[pos + kEmotionCodeLength - 1] != '}')
        return false;
    for (size_t i = 1; i <= kEmotionIdLength; ++i)
        if (!IsCodeChar(text[pos + i]))
            return false;
    return true;
}

// The picture path goes into an attribute of our own markup.
std::string EscapeAttribute(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

bool PictureExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

constexpr std::string_view kScrambleKey = "qonsib%^&(*!$";

} // namespace

std::string CleanNickname(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '<' && c != '>')
            out += c;
    return CutAtFirstLineBreak(std::move(out));
}

std::string StripTags(std::string_view text) { return RemoveLineBreaks(RemoveTagSpans(text)); }

std::string StripTagsFirstLine(std::string_view text) { return CutAtFirstLineBreak(RemoveTagSpans(text)); }

std::string EscapeHtml(std::string_view text) { return EscapeAttribute(text); }

std::string RemoveLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, kCrLf.size(), kCrLf) == 0) {
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string ColorToHtml(uint32_t color) {
    std::string out = "#";
    AppendHexByte(out, static_cast<uint8_t>(color));
    AppendHexByte(out, static_cast<uint8_t>(color >> 8));
    AppendHexByte(out, static_cast<uint8_t>(color >> 16));
    return out;
}

uint32_t HtmlToColor(std::string_view text) {
    uint32_t v = 0;
    if (!text.empty() && text[0] == '#') {
        // A hexadecimal integer of at most 32 bits; another '#' or any
        // other character makes it no number at all.
        const std::string_view digits = text.substr(1);
        if (digits.empty() || digits.size() > 8)
            return 0;
        for (char c : digits) {
            const int h = HexValue(c);
            if (h < 0)
                return 0;
            v = v << 4 | static_cast<uint32_t>(h);
        }
    } else {
        int32_t d = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, d);
        if (text.empty() || ec != std::errc() || ptr != end)
            return 0;
        v = static_cast<uint32_t>(d);
    }
    // The text reads red first; the colour value holds red in its low byte.
    return (v & 0xFFu) << 16 | (v & 0xFF00u) | (v >> 16 & 0xFFu);
}

std::string AddressToText(uint32_t ip_net) {
    in_addr a{};
    a.s_addr = ip_net;
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

uint32_t ResolveHost(std::string_view host) { return HostLookup(host); }

bool MicStateName(int32_t state, std::string& name) {
    static constexpr std::array<std::string_view, 7> kNames = {
        "不在麦", "公麦", "私麦(任何人可连接)", "私麦(仅好友可连接)", "私麦(需确认可连接)", "私麦(收费私麦)", "排麦(进入麦序)",
    };
    if (state < 0 || state >= static_cast<int32_t>(kNames.size()))
        return false;
    name = kNames[static_cast<size_t>(state)];
    return true;
}

std::string ReplaceEmotionCodes(std::string_view text, const IEmotionLookup& emotions) {
    // Each distinct code is looked up once; then one pass rewrites the text.
    std::unordered_map<std::string_view, std::optional<std::string>> tags;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsEmotionCodeAt(text, i))
            continue;
        const std::string_view code = text.substr(i, kEmotionCodeLength);
        if (tags.count(code))
            continue;
        std::optional<std::string> tag;
        if (auto path = emotions.FullPicturePath(code.substr(1, kEmotionIdLength)); path && PictureExists(*path))
            tag = "<IMG src=\"" + EscapeAttribute(*path) + "\">";
        tags.emplace(code, std::move(tag));
    }
    if (tags.empty())
        return std::string(text);

    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (IsEmotionCodeAt(text, i)) {
            const auto it = tags.find(text.substr(i, kEmotionCodeLength));
            if (it != tags.end() && it->second) {
                out += *it->second;
                i += kEmotionCodeLength;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

std::string GetAdapterAddress() {
    const auto mac = FirstAdapterAddress();
    std::string out;
    if (mac)
        for (uint8_t b : *mac)
            AppendHexByte(out, b);
    return out;
}

std::string ScrambleText(std::string_view text) {
    // Seeded from the clock on every call, so two calls in a row still
    // start differently; no generator is shared between threads.
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::mt19937 gen(static_cast<uint32_t>(now) ^ static_cast<uint32_t>(static_cast<uint64_t>(now) >> 32) ^
                     std::random_device{}());
    std::uniform_int_distribution<int> start(0, 255);
    return ScrambleText(text, static_cast<uint8_t>(start(gen)));
}

std::string ScrambleText(std::string_view text, uint8_t start) {
    std::string out;
    out.reserve(2 + 2 * text.size());
    AppendHexByte(out, start);
    uint32_t prev = start;
    size_t k = 0;
    for (char c : text) {
        uint32_t v = (static_cast<uint8_t>(c) + prev) % 255;
        k = k < kScrambleKey.size() ? k + 1 : 1;
        v ^= static_cast<uint8_t>(kScrambleKey[k - 1]);
        AppendHexByte(out, static_cast<uint8_t>(v));
        prev = v;
    }
    return out;
}

std::optional<std::string> UnscrambleText(std::string_view scrambled) {
    if (scrambled.size() < 2 || scrambled.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint32_t> values;
    for (size_t i = 0; i < scrambled.size(); i += 2) {
        const int hi = HexValue(scrambled[i]), lo = HexValue(scrambled[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        values.push_back(static_cast<uint32_t>(hi << 4 | lo));
    }
    std::string out;
    uint32_t prev = values[0];
    size_t k = 0;
    for (size_t i = 1; i < values.size(); ++i) {
        k = k < kScrambleKey.size() ? k + 1 : 1;
        const uint32_t sum = values[i] ^ static_cast<uint8_t>(kScrambleKey[k - 1]);
        out += static_cast<char>((sum + 255 - prev % 255) % 255);
        prev = values[i];
    }
    return out;
}

} // namespace kel
