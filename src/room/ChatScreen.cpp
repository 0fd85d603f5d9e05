#include "room/ChatScreen.h"

namespace kel {

void TChatScreen::AppendHTML(const std::string& html) {
    ++counter_;
    if (counter_ > MaxLines) {
        doc_.KeepLastChars(KeepChars);
        counter_ = LinesAfterTrim;
    }
    doc_.AppendHtml(html);
    if (EnableScroll) doc_.ScrollToEnd();
}

void TChatScreen::ChatLine(const ChatLineValues& v) {
    if (DisReceChat) return;
    Put(lines_.ChatLine(v));
}

void TChatScreen::SystemLine(int kind, const std::string& prefix, const std::string& text, const std::string& extra) {
    Put(lines_.SystemLine(kind, prefix, text, extra));
}

void TChatScreen::Notice(int kind, const std::string& text) { Put(lines_.Notice(kind, text)); }

void TChatScreen::EntryLine(int32_t user_id, const std::string& nick) {
    if (DisReceComeAndOut) return;
    Put(lines_.EntryLine(user_id, nick));
}

void TChatScreen::LeaveLine(const std::string& nick) {
    if (DisReceComeAndOut) return;
    Put(lines_.LeaveLine(nick));
}

void TChatScreen::GiftLine(const GiftLineValues& v) {
    if (DisReceGiveInfo && v.ReceiverID != MyUserID) return;
    Put(lines_.GiftLine(v));
}

} // namespace kel
