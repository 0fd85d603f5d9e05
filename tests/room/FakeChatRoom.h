#pragma once
// A room window as the chat area sees it, collecting what the chat sends,
// and a screen document that keeps its lines as strings.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "room/ChatArea.h"

namespace kel::test {

struct FakeChatRoom : IChatRoom {
    std::vector<std::vector<uint8_t>> sent;
    std::map<int32_t, std::string> levels;
    std::map<int32_t, std::string> nicks;
    std::set<int32_t> blocked;
    std::vector<std::string> boxes;
    std::set<std::pair<int32_t, int32_t>> pending;
    bool focus = true;
    int flashes = 0;
    int32_t self = 5;

    void SendRoomMessage(std::vector<uint8_t> msg) override { sent.push_back(std::move(msg)); }
    RoomRequestHeader RequestHeader() const override {
        RoomRequestHeader h;
        h.UserID = self;
        h.RoomID = 1001;
        h.RoomTicket = 77;
        return h;
    }
    std::optional<std::string> LevelNameOf(int32_t id) const override {
        auto it = levels.find(id);
        if (it == levels.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> NickNameOf(int32_t id) const override {
        auto it = nicks.find(id);
        if (it == nicks.end()) return std::nullopt;
        return it->second;
    }
    bool IsChatBlocked(int32_t id) const override { return blocked.count(id) > 0; }
    bool HasFocus() const override { return focus; }
    void FlashWindow() override { ++flashes; }
    void ShowMessageBox(const std::string& text) override { boxes.push_back(text); }
    void AddPending(int32_t code, int32_t key) override { pending.insert({code, key}); }
    void RemovePending(int32_t code, int32_t key) override { pending.erase({code, key}); }
};

struct StringDoc : IScreenDocument {
    std::vector<std::string> lines;
    int trims = 0;
    void AppendHtml(const std::string& html) override { lines.push_back(html); }
    void KeepLastChars(size_t) override {
        ++trims;
        lines.clear();
    }
    void ClearText() override { lines.clear(); }
    void ScrollToEnd() override {}
    bool Has(const std::string& s) const {
        for (const auto& l : lines)
            if (l.find(s) != std::string::npos) return true;
        return false;
    }
};

} // namespace kel::test
