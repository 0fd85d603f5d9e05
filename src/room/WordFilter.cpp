#include "room/WordFilter.h"

namespace kel {
namespace {

size_t CodePoints(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

} // namespace

void TWordFilter::SetExpression(const std::string& expression) {
    re_.reset();
    if (expression.empty()) return;
    try {
        re_ = std::make_shared<const std::regex>(expression, std::regex::ECMAScript | std::regex::icase);
    } catch (const std::regex_error&) {
        re_.reset();
    }
}

std::string TWordFilter::Apply(std::string_view text) const {
    if (!re_) return std::string(text);
    std::string out;
    try {
        auto begin = std::cregex_iterator(text.data(), text.data() + text.size(), *re_);
        size_t last = 0;
        for (auto it = begin; it != std::cregex_iterator(); ++it) {
            const auto& m = *it;
            if (m.length(0) == 0) continue;
            size_t at = static_cast<size_t>(m.position(0));
            out.append(text.substr(last, at - last));
            out.append(CodePoints(text.substr(at, static_cast<size_t>(m.length(0)))), 'X');
            last = at + static_cast<size_t>(m.length(0));
        }
        out.append(text.substr(last));
    } catch (const std::regex_error&) {
        // A pathological expression that runs out of its limits filters nothing.
        return std::string(text);
    }
    return out;
}

} // namespace kel
