#pragma once
// The input editor's font, kept per user in <folder>/Config.ini, section
// FONTCONFIG: FontName ("宋体"), FontSize (10), FontColor (six hexadecimal
// digits, red first, "000000") and FontStyles ("[fsBold,fsItalic,...]").
#include <string>

#include "room/ChatArea.h"

namespace kel {

ChatFont LoadChatFont(const std::string& folder);
// False when the file cannot be written.
bool SaveChatFont(const std::string& folder, const ChatFont& font);

// "[fsBold,fsItalic,fsUnderline,fsStrikeOut]" for the bits that are set.
std::string FontStylesText(uint8_t styles);
uint8_t ParseFontStyles(const std::string& text);

} // namespace kel
