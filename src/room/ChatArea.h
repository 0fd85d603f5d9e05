#pragma once
// The chat area of a room window without its widgets: targets and whisper,
// the send path (echo, rules, cut, 19012), fun phrases, flowers and dice,
// the handling of every received chat message, the automatic reply, the
// display switches and the two screens with the private output going to the
// lower one while split view is on. The room window gives it an IChatRoom
// (its endpoint, directory and window) and feeds it the chat codes.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/LanguageRes.h"
#include "protocol/ChatMessages.h"
#include "protocol/RoomHeader.h"
#include "room/ChatLine.h"
#include "room/ChatRules.h"
#include "room/ChatScreen.h"
#include "room/GiftPacing.h"

namespace kel {

class IChatRoom {
public:
    virtual ~IChatRoom() = default;
    virtual void SendRoomMessage(std::vector<uint8_t> msg) = 0;
    virtual RoomRequestHeader RequestHeader() const = 0;
    // The level name of a user in the directory, or nothing.
    virtual std::optional<std::string> LevelNameOf(int32_t user_id) const = 0;
    virtual bool IsChatBlocked(int32_t user_id) const = 0;
    // The nickname of a user in the directory, or nothing.
    virtual std::optional<std::string> NickNameOf(int32_t user_id) const { return std::nullopt; }
    virtual bool HasFocus() const = 0;
    virtual void FlashWindow() = 0;
    virtual void ShowMessageBox(const std::string& text) = 0;
    // The request time-out tracker of the room window.
    virtual void AddPending(int32_t code, int32_t key) {}
    virtual void RemovePending(int32_t code, int32_t key) {}
};

struct ChatFont {
    std::string Name = "宋体";
    int32_t Size = 10;
    int32_t Color = 0;
    uint8_t Styles = 0;
};

// The own user and room values of InitRoom.
struct ChatSelf {
    int32_t UserID = 0;
    std::string NickName;
    std::string LevelName;
    ChatUser User;
    ChatRoomRules Rules;
    int16_t RoomKind = 0;
    int64_t Coins = 0;
};

class TChatArea {
public:
    TChatArea(IChatRoom& room, IScreenDocument& public_doc, IScreenDocument& lower_doc, TLineBuilder& lines,
              const TLanguageRes* language);

    void InitRoom(const ChatSelf& self);
    const ChatSelf& Self() const { return self_; }

    TChatScreen& PublicScreen() { return public_; }
    TChatScreen& LowerScreen() { return lower_; }
    // The lower screen while split view is on, the public one otherwise.
    TChatScreen& PrivateScreen() { return split_ ? lower_ : public_; }
    void SetSplit(bool on) { split_ = on; }
    bool Split() const { return split_; }

    // ---- Targets: item 0 is everybody ("大家", number 0).
    struct Target {
        int32_t UserID;
        std::string NickName;
    };
    const std::vector<Target>& Targets() const { return targets_; }
    size_t TargetIndex() const { return target_index_; }
    void SelectTargetIndex(size_t index);
    void SelectTarget(int32_t user_id, const std::string& nick);
    void RemoveTarget(int32_t user_id);
    // The nickname the directory gives ("大家" for 0), else the target box's.
    std::string UserInfoName(int32_t user_id) const;
    // A user link of a screen was clicked: the user becomes the target
    // (nothing for oneself or -1); true when the user menu should open.
    bool UserLinkClicked(int32_t user_id);
    int32_t TargetID() const { return targets_[target_index_].UserID; }
    const std::string& TargetNick() const { return targets_[target_index_].NickName; }
    // The whisper box: unticked and disabled while the target is everybody.
    bool WhisperEnabled() const { return TargetID() != 0; }
    bool WhisperChecked() const { return whisper_; }
    void SetWhisperChecked(bool on) { whisper_ = on && WhisperEnabled(); }
    // Called whenever the target changes (the widget updates its boxes).
    std::function<void()> OnTargetsChanged;

    // ---- Display settings.
    std::string AutoReply;
    bool ShowLaba = true;
    bool HideGiftLines = false;
    void SetHidePublicChat(bool on) { public_.DisReceChat = on; }
    void SetHideGifts(bool on) {
        public_.DisReceGiveInfo = on;
        HideGiftLines = on;
    }
    void SetHideComeAndOut(bool on) { public_.DisReceComeAndOut = on; }

    // ---- Sending. `chat` is chat text from the input editor.
    // Returns false when there was nothing to send.
    bool Send(const std::string& chat, const ChatFont& font);
    void FunPhrase(int32_t target, const std::string& target_nick, int32_t phrase);
    // The flower: `pick` chooses one of the four phrase groups.
    void Flower(unsigned pick);
    void Dice();
    // A toolbar action that needs at least a registered user; shows the
    // refusal and returns false for guests.
    bool RequireNotGuest(const std::string& refusal);
    bool RequireMemberOrManager();

    // ---- Receiving: handles the chat codes; false for any other code or a
    // message that does not read.
    bool HandleMessage(const uint8_t* data, size_t len);

    // ---- Display operations other parts use.
    void ShowSystemMessage(int kind, int screen, const std::string& prefix, const std::string& text,
                           const std::string& extra = {});
    void ShowGiftLine(const GiftLineValues& v);
    // One pacing period of the waiting gift batches: shows the period's gift
    // line and returns the step (for the gift bar's balance), if any.
    std::optional<GiftPaceStep> PaceGifts(TGiftPacer& batches, int32_t step_size);
    void ShowGiftEvent(const TGiftEvent& e, const std::string& currency);
    void ShowEntry(int32_t user_id, const std::string& nick) { public_.EntryLine(user_id, nick); }
    void ShowLeave(const std::string& nick) { public_.LeaveLine(nick); }
    void ClearScreens();

    // The last font used to send, for the automatic reply.
    const ChatFont& InputFont() const { return font_; }
    void SetInputFont(const ChatFont& f) { font_ = f; }

    // Local time as hh:mm:ss; replaceable for tests.
    std::function<std::string()> LocalTime;

private:
    void SendChecked(const std::string& chat, const ChatFont& font, int32_t to, const std::string& to_nick,
                     bool whisper, bool auto_reply);
    void ShowPrivate(const ChatDelivery& d);
    void AfterPrivate(int32_t sender, const std::string& sender_nick, bool was_auto_reply);
    ChatLineValues LineOf(const ChatDelivery& d) const;
    void OnFunPhraseDelivered(const FunPhraseDelivered& m);

    IChatRoom& room_;
    TLineBuilder& lines_;
    const TLanguageRes* language_;
    TChatScreen public_;
    TChatScreen lower_;
    bool split_ = false;
    ChatSelf self_;
    TChatRules rules_;
    std::vector<Target> targets_;
    size_t target_index_ = 0;
    bool whisper_ = false;
    ChatFont font_;
};

} // namespace kel
