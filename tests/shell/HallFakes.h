#pragma once
// A recording hall view and a captured send operation for the hall's
// display-free tests.
#include <string>
#include <vector>

#include "protocol/LayoutSupport.h"
#include "shell/HallSession.h"

namespace kel::test {

struct Sent {
    uint32_t ip;
    uint16_t port;
    std::vector<uint8_t> plain;
    int32_t code() const { return MessageCode(plain.data(), plain.size()); }
};

struct FakeHallView : IHallView {
    std::vector<std::string> events; // in order: "status:..", "msg:..", "close", ...
    std::vector<int32_t> rooms;      // open room windows, front first
    bool confirm_answer = true;
    bool status_visible = false;
    std::vector<LoginAnswer> accepted;
    std::vector<RoomEntryAnswer> opened;

    void SetStatus(const std::string& t) override { events.push_back("status:" + t); }
    void SetStatusVisible(bool v) override {
        status_visible = v;
        events.push_back(v ? "panel:show" : "panel:hide");
    }
    void ShowMessage(const std::string& t) override { events.push_back("msg:" + t); }
    bool Confirm(const std::string& t, const std::string& caption) override {
        events.push_back("ask:" + caption + ":" + t);
        return confirm_answer;
    }
    void CloseHall() override { events.push_back("close"); }
    void Navigate(const std::string& url) override { events.push_back("nav:" + url); }
    void ShowRoomPassword() override { events.push_back("password"); }
    void ShowUpgrade(int32_t room) override { events.push_back("upgrade:" + std::to_string(room)); }
    void SelfInfoAnswered(int32_t status) override { events.push_back("selfinfo:" + std::to_string(status)); }
    bool HasCamera() override { return true; }
    std::vector<int32_t> OpenRooms() override { return rooms; }
    void BringRoomToFront(int32_t id) override { events.push_back("front:" + std::to_string(id)); }
    void CloseRoom(int32_t id) override {
        events.push_back("closeroom:" + std::to_string(id));
        std::erase(rooms, id);
    }
    void CloseAllRooms() override {
        events.push_back("closeall");
        rooms.clear();
    }
    void OpenRoom(const RoomEntryAnswer& a, uint32_t) override {
        opened.push_back(a);
        rooms.insert(rooms.begin(), a.Room.RoomID);
    }
    void LoginAccepted(const LoginAnswer& a) override { accepted.push_back(a); }

    bool Has(const std::string& e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
    size_t Count(const std::string& e) const { return size_t(std::count(events.begin(), events.end(), e)); }
};

} // namespace kel::test
