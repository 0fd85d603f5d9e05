#pragma once
// The room's HTML view, on QTextBrowser: as a chat screen (read-only) it
// appends lines at the end, trims from the start, dresses them with the
// classes of Style.css, animates GIF pictures (a limited number at once)
// and hands link[...] clicks to its owner; as the input editor (writable)
// it holds text and emoticon pictures in the chosen font, sends on Enter and
// breaks the line on Ctrl+Enter. Nothing but local picture files is loaded.
#include <QMovie>
#include <QTextBrowser>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "room/ChatArea.h"
#include "room/ChatScreen.h"
#include "room/ChatText.h"

namespace kel {

class TKelRoomChatEdit : public QTextBrowser, public IScreenDocument {
    Q_OBJECT
public:
    explicit TKelRoomChatEdit(QWidget* parent = nullptr);
    ~TKelRoomChatEdit() override;

    // The Picture folder with its trailing '/'; Style.css is taken from it.
    void SetResourcePath(const std::string& path);
    const std::string& ResourcePath() const { return resource_path_; }
    // Six hexadecimal digits, red first ("FFFFFF").
    void SetBkColor(const std::string& rrggbb);
    void SetBkImage(const std::string& path);

    // ---- IScreenDocument
    void AppendHtml(const std::string& html) override;
    void KeepLastChars(size_t chars) override;
    void ClearText() override;
    void ScrollToEnd() override;

    // A left click on a link: its href and the pointer position.
    std::function<void(const std::string& href, QPoint global_pos)> OnLink;
    // The input editor's send (Enter without Ctrl).
    std::function<void()> OnSendChat;

    // ---- Input editor
    std::vector<EditorPiece> Content() const;
    std::string ChatInfo() const { return EditorToChatText(Content()); }
    void InsertEmotion(const std::string& picture_path);
    void ClearInput();
    ChatFont InputFont() const { return font_; }
    void SetInputFont(const ChatFont& f);
    // Where the font is kept; loading happens at once, saving on each change.
    void SetFontSavePath(const std::string& folder);
    void ShowFontDialog();

    // At most this many different pictures animate in one view.
    static constexpr int kMaxAnimations = 24;
    int Animations() const { return static_cast<int>(movies_.size()); }

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void ApplyBackground();
    void ApplyFontToEditor();

    std::string resource_path_;
    std::string bk_color_ = "FFFFFF";
    std::string bk_image_;
    std::string font_save_path_;
    ChatFont font_;
    std::map<QString, std::unique_ptr<QMovie>> movies_;
};

} // namespace kel
