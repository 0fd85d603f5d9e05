#pragma once
// One chat screen as the room sees it: the display switches that drop
// kinds of lines, the line counter that trims the document, and the
// document itself behind a small interface (a QTextDocument in the window,
// a string in tests).
#include <cstddef>
#include <cstdint>
#include <string>

#include "room/ChatLine.h"

namespace kel {

class IScreenDocument {
public:
    virtual ~IScreenDocument() = default;
    virtual void AppendHtml(const std::string& html) = 0;
    // Keeps only the last `chars` characters of the text.
    virtual void KeepLastChars(size_t chars) = 0;
    virtual void ClearText() = 0;
    virtual void ScrollToEnd() = 0;
};

class TChatScreen {
public:
    TChatScreen(IScreenDocument& doc, const TLineBuilder& lines) : doc_(doc), lines_(lines) {}

    bool DisReceChat = false;        // drop chat lines
    bool DisReceGiveInfo = false;    // drop gift lines not for this user
    bool DisReceComeAndOut = false;  // drop plain entry and leave lines
    bool EnableScroll = true;
    int32_t MyUserID = 0;
    size_t MaxLines = 10;
    size_t KeepChars = 20;
    size_t LinesAfterTrim = 3;

    // Every line ends here: trims when the counter passes MaxLines, then
    // appends and scrolls.
    void AppendHTML(const std::string& html);
    void Clear() { doc_.ClearText(); }  // the counter goes on

    void ChatLine(const ChatLineValues& v);
    void SystemLine(int kind, const std::string& prefix, const std::string& text, const std::string& extra = {});
    void Notice(int kind, const std::string& text);
    void EntryLine(int32_t user_id, const std::string& nick);
    void LeaveLine(const std::string& nick);
    void GiftLine(const GiftLineValues& v);

    size_t LineCounter() const { return counter_; }
    const TLineBuilder& Lines() const { return lines_; }

private:
    void Put(const std::string& html) {
        if (!html.empty()) AppendHTML(html);
    }
    IScreenDocument& doc_;
    const TLineBuilder& lines_;
    size_t counter_ = 0;
};

} // namespace kel
