#include "room/ChatText.h"

#include <algorithm>

#include "foundation/Gbk.h"
#include "foundation/kelUtils.h"

namespace kel {
namespace {

constexpr std::string_view kBreak = "<BR>";


void AddText(std::vector<ChatPiece>& out, std::string_view text) {
    if (text.empty()) return;
    if (!out.empty() && out.back().kind == ChatPiece::Text)
        out.back().value += text;
    else
        out.push_back({ChatPiece::Text, std::string(text)});
}

std::string FileName(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

size_t WireLen(std::string_view utf8) { return Utf8ToGbk(utf8).size(); }

} // namespace

bool IsEmotionCode(std::string_view code) {
    return !code.empty() && std::all_of(code.begin(), code.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

std::vector<ChatPiece> ParseChatText(std::string_view chat) {
    std::vector<ChatPiece> out;
    size_t i = 0, text_from = 0;
    while (i < chat.size()) {
        if (chat[i] == '\\' && i + 1 < chat.size() && (chat[i + 1] == 'e' || chat[i + 1] == 'E')) {
            AddText(out, chat.substr(text_from, i - text_from));
            bool three_d = chat[i + 1] == 'E';
            size_t len = three_d ? kEmotion3DCodeLen : kEmotionCodeLen;
            std::string_view code = chat.substr(i + 2, len);  // shorter at the end
            out.push_back({three_d ? ChatPiece::Emotion3D : ChatPiece::Emotion, std::string(code)});
            i += 2 + code.size();
            text_from = i;
        } else if (chat[i] == '<' && SameText(chat.substr(i, kBreak.size()), kBreak)) {
            AddText(out, chat.substr(text_from, i - text_from));
            out.push_back({ChatPiece::Break, {}});
            i += kBreak.size();
            text_from = i;
        } else {
            ++i;
        }
    }
    AddText(out, chat.substr(text_from));
    return out;
}

std::string JoinChatText(const std::vector<ChatPiece>& pieces) {
    std::string s;
    for (const auto& p : pieces) {
        switch (p.kind) {
        case ChatPiece::Text: s += p.value; break;
        case ChatPiece::Break: s += kBreak; break;
        case ChatPiece::Emotion: s += "\\e" + p.value; break;
        case ChatPiece::Emotion3D: s += "\\E" + p.value; break;
        }
    }
    return s;
}

std::string EditorToChatText(const std::vector<EditorPiece>& content) {
    std::string s;
    bool meaningful = false;
    for (const auto& p : content) {
        switch (p.kind) {
        case EditorPiece::Text:
            for (size_t i = 0; i < p.value.size(); ++i) {
                char c = p.value[i];
                if (c == '\r') continue;
                if (c == '\n') {
                    s += kBreak;
                } else if (static_cast<unsigned char>(c) == 0xC2 && i + 1 < p.value.size() &&
                           static_cast<unsigned char>(p.value[i + 1]) == 0xA0) {
                    s += ' ';  // no-break space
                    ++i;
                } else if (static_cast<unsigned char>(c) == 0xE2 &&
                           (p.value.compare(i, 3, "\u2029") == 0 || p.value.compare(i, 3, "\u2028") == 0)) {
                    s += kBreak;  // paragraph or line separator of the editor
                    i += 2;
                } else {
                    s += c;
                    if (c != ' ' && c != '\t') meaningful = true;
                }
            }
            break;
        case EditorPiece::Break:
            s += kBreak;
            break;
        case EditorPiece::Image: {
            std::string name = FileName(p.value);
            if (name.size() == kEmotionCodeLen + 4 && SameText(name.substr(kEmotionCodeLen), ".gif") &&
                IsEmotionCode(std::string_view(name).substr(0, kEmotionCodeLen))) {
                s += "\\e" + name.substr(0, kEmotionCodeLen);
                meaningful = true;
            }
            break;
        }
        }
    }
    return meaningful ? s : std::string();
}

std::vector<EditorPiece> ChatTextToEditor(std::string_view chat, const std::string& face_folder) {
    std::vector<EditorPiece> out;
    for (const auto& p : ParseChatText(chat)) {
        switch (p.kind) {
        case ChatPiece::Text: out.push_back({EditorPiece::Text, p.value}); break;
        case ChatPiece::Break: out.push_back({EditorPiece::Break, {}}); break;
        case ChatPiece::Emotion:
            if (p.value.size() == kEmotionCodeLen && IsEmotionCode(p.value))
                out.push_back({EditorPiece::Image, face_folder + p.value + ".gif"});
            break;
        case ChatPiece::Emotion3D: break;
        }
    }
    return out;
}

CutResult CutChatText(std::string_view chat, size_t max_wire_bytes) {
    if (WireLen(chat) <= max_wire_bytes) return {std::string(chat), false};
    CutResult r;
    r.cut = true;
    size_t used = 0;
    for (const auto& p : ParseChatText(chat)) {
        std::string piece = JoinChatText({p});
        size_t len = WireLen(piece);
        if (used + len <= max_wire_bytes) {
            r.text += piece;
            used += len;
            continue;
        }
        if (p.kind == ChatPiece::Text) {
            // GBK never has fewer bytes than characters, so walk the UTF-8
            // characters and keep those that still fit.
            size_t i = 0;
            while (i < piece.size()) {
                size_t n = 1;
                unsigned char c = static_cast<unsigned char>(piece[i]);
                if (c >= 0xF0) n = 4;
                else if (c >= 0xE0) n = 3;
                else if (c >= 0xC0) n = 2;
                n = std::min(n, piece.size() - i);
                size_t w = WireLen(std::string_view(piece).substr(i, n));
                if (used + w > max_wire_bytes) break;
                used += w;
                i += n;
            }
            r.text += piece.substr(0, i);
        }
        break;
    }
    return r;
}

} // namespace kel
