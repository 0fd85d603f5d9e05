#include "TextChecks.h"

#include "foundation/kelUtils.h"

namespace kel::server {

std::string NormalDigest(std::string_view text) {
    if (text.size() != 32) return {};
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return {};
    }
    return out;
}

std::string StoredNickname(std::string_view text) {
    std::string s = CleanNickname(text);
    // Line breaks of either kind end the name; a lone CR or LF as well.
    size_t cut = s.find_first_of("\r\n");
    if (cut != std::string::npos) s.resize(cut);
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

} // namespace kel::server
