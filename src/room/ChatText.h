#pragma once
// Chat text, the wire form of chat content in both directions: plain text in
// which "<BR>" is a line break, "\e" + 32 characters an emoticon (picture
// Face/<code>.gif) and "\E" + 4 characters a 3D emoticon (Emotion3D/<code>.gif).
// Nothing else in it is markup. This unit turns the input editor's content
// into chat text, splits chat text into its pieces for display, and cuts it
// to the wire limit without breaking a character, a "<BR>" or a token.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

inline constexpr size_t kEmotionCodeLen = 32;
inline constexpr size_t kEmotion3DCodeLen = 4;

struct ChatPiece {
    enum Kind { Text, Break, Emotion, Emotion3D };
    Kind kind = Text;
    std::string value;  // the text, or the emoticon's code
    bool operator==(const ChatPiece&) const = default;
};

// Splits chat text. Markers are taken in the order they appear; a token cut
// short at the end of the text takes what is there.
std::vector<ChatPiece> ParseChatText(std::string_view chat);
// The reverse: pieces to chat text.
std::string JoinChatText(const std::vector<ChatPiece>& pieces);

// What the input editor holds, in document order.
struct EditorPiece {
    enum Kind { Text, Break, Image };
    Kind kind = Text;
    std::string value;  // text, or the image's file path
};

// The editor's content as chat text. A picture becomes an emoticon token
// when its file name is a 32-character code followed by ".gif" (any case);
// other pictures cannot travel as chat text and are left out. Text goes as
// typed (the receiving side shows it as text); no-break spaces become
// spaces, line breaks inside a text piece become "<BR>". Content that is
// only blanks and line breaks gives an empty text.
std::string EditorToChatText(const std::vector<EditorPiece>& content);
// The editor pieces of a chat text, pictures under `face_folder` (with its
// trailing '/'); 3D tokens are not editor content and are left out.
std::vector<EditorPiece> ChatTextToEditor(std::string_view chat, const std::string& face_folder);

struct CutResult {
    std::string text;
    bool cut = false;
};
// Cuts chat text so that its wire (GBK) form is at most `max_wire_bytes`
// long. A cut inside a "<BR>" or a token moves back to before it; a cut
// inside text moves back to a character boundary.
CutResult CutChatText(std::string_view chat, size_t max_wire_bytes);

// Whether `code` may name a picture file: letters and digits only.
bool IsEmotionCode(std::string_view code);

} // namespace kel
