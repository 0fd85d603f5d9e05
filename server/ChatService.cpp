#include "ChatService.h"

#include "RoomService.h"
#include "Storage.h"
#include "protocol/ChatMessages.h"
#include "foundation/kelUtils.h"
#include "protocol/LayoutSupport.h"

namespace kel::server {
namespace {

// The bar a room sets for public (or private) chat, as the client reads it:
// above 0 no guests, above 1 no registered users either. Members, staff
// and managers are never barred.
bool Barred(const TUserInfoUserMng& u, int32_t bar) {
    if (u.UserType > kRegistered || u.ManagerLevel > 0) return false;
    if (u.UserType == kRegistered) return bar > 1;
    return bar > 0;
}

} // namespace

ChatService::ChatService(RoomService& rooms) : rooms_(rooms) {}

bool ChatService::OnMessage(const Inbound& in) {
    switch (MessageCode(in.Plain.data(), in.Plain.size())) {
    case ChatRequest::kCode: Chat(in); return true;
    case FunPhraseRequest::kCode: FunPhrase(in); return true;
    case DiceRequest::kCode: Throw(in); return true;
    default: return false;
    }
}

void ChatService::Chat(const Inbound& in) {
    auto req = Decode<ChatRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad chat message");
    RoomService::Member* from = rooms_.FindMember(req->Head);
    if (!from) return rooms_.Drop(in, "chat of no stay");
    const TUserInfoUserMng& u = from->Record;
    if (u.ChatForbidden) return rooms_.Drop(in, "chat of a user who may not chat");
    auto room_it = rooms_.rooms_.find(req->Head.RoomID);
    const RoomService::Room& room = room_it->second;
    auto row = rooms_.db_.FindRoom(req->Head.RoomID);

    ChatRefused refused;
    if (PatrolNumbers.count(u.UserID)) refused.Reason = 3;
    else if (row && !req->Whisper && Barred(u, row->Info.PublicChatBar)) refused.Reason = 1;
    else if (row && req->Whisper && Barred(u, row->Info.PrivateChatBar)) refused.Reason = 2;
    if (refused.Reason) return rooms_.out_.Send(from->Ip, from->Port, Encode(refused));

    const RoomService::Member* to = nullptr;
    if (req->ToUserID != 0) {
        auto t = room.Members.find(req->ToUserID);
        if (t != room.Members.end()) to = &t->second;
    }
    // The server's own records name sender and target, not the request.
    ChatDelivery d;
    d.FromUserID = u.UserID;
    d.FromNick = u.NickName;
    d.ToUserID = req->ToUserID;
    d.ToNick = to ? to->Record.NickName : req->ToNick;
    d.FromLevel = u.LevelName;
    d.ToLevel = to ? to->Record.LevelName : std::string();
    d.TimeText = req->TimeText;
    d.Whisper = req->Whisper && req->ToUserID != 0;
    d.AutoReply = req->AutoReply;
    d.Show3D = true;
    d.FontName = req->FontName;
    d.FontSize = req->FontSize;
    d.FontColor = req->FontColor;
    d.FontStyles = req->FontStyles;
    d.Text = req->Text;

    if (to) {
        PrivateChatMessage p;
        static_cast<ChatDelivery&>(p) = d;
        rooms_.out_.Send(to->Ip, to->Port, Encode(p));
    }
    // A whisper reaches its addressee only; everybody else gets the room's
    // copy (the addressee already has his own).
    if (d.Whisper) return;
    ChatBroadcast b;
    static_cast<ChatDelivery&>(b) = d;
    const auto bytes = Encode(b);
    for (const auto& [id, m] : room.Members)
        if (id != u.UserID && (!to || id != to->Record.UserID)) rooms_.out_.Send(m.Ip, m.Port, bytes);
}

void ChatService::FunPhrase(const Inbound& in) {
    auto req = Decode<FunPhraseRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad fun phrase");
    RoomService::Member* from = rooms_.FindMember(req->Head);
    if (!from) return rooms_.Drop(in, "fun phrase of no stay");
    if (from->Record.ChatForbidden) return rooms_.Drop(in, "fun phrase of a user who may not chat");
    const RoomService::Room& room = rooms_.rooms_.find(req->Head.RoomID)->second;

    FunPhraseAnswer a;
    a.ToUserID = req->ToUserID;
    const RoomService::Member* to = nullptr;
    if (req->ToUserID == from->Record.UserID) {
        a.Result = 1;
    } else if (req->ToUserID != 0) {
        auto t = room.Members.find(req->ToUserID);
        if (t == room.Members.end()) a.Result = 2;
        else to = &t->second;
    }
    rooms_.out_.Send(from->Ip, from->Port, Encode(a));
    if (a.Result != 0) return;

    FunPhraseDelivered d;
    d.FromUserID = from->Record.UserID;
    d.ToUserID = req->ToUserID;
    d.FromNick = from->Record.NickName;
    d.ToNick = to ? to->Record.NickName : std::string("大家");
    d.FromLevel = from->Record.LevelName;
    d.ToLevel = to ? to->Record.LevelName : std::string();
    d.Phrase = req->Phrase;
    d.TimeText = LocalClockText();
    rooms_.Broadcast(room, 0, Encode(d));
}

void ChatService::Throw(const Inbound& in) {
    auto req = Decode<DiceRequest>(in.Plain);
    if (!req) return rooms_.Drop(in, "bad dice request");
    RoomRequestHeader h;
    h.UserID = req->UserID;
    h.RoomID = req->RoomID;
    h.RoomTicket = req->RoomTicket;
    RoomService::Member* from = rooms_.FindMember(h);
    if (!from) return rooms_.Drop(in, "dice of no stay");
    std::uniform_int_distribution<int32_t> die(1, 6);
    DiceResult r;
    r.UserID = from->Record.UserID;
    r.NickName = from->Record.NickName;
    r.Die1 = die(Dice);
    r.Die2 = die(Dice);
    rooms_.Broadcast(rooms_.rooms_.find(req->RoomID)->second, 0, Encode(r));
}

bool ChatService::SetChatForbidden(int32_t room_id, int32_t user_id, bool forbidden) {
    auto r = rooms_.rooms_.find(room_id);
    if (r == rooms_.rooms_.end()) return false;
    auto m = r->second.Members.find(user_id);
    if (m == r->second.Members.end()) return false;
    m->second.Record.ChatForbidden = forbidden ? 1 : 0;
    return true;
}

int ChatService::Announce(int32_t room_id, const std::string& text) {
    SystemAnnouncement a;
    a.Text = text;
    const auto bytes = Encode(a);
    int n = 0;
    for (const auto& [id, room] : rooms_.rooms_) {
        if (room_id != 0 && id != room_id) continue;
        for (const auto& [uid, m] : room.Members) {
            rooms_.out_.Send(m.Ip, m.Port, bytes);
            ++n;
        }
    }
    if (n) rooms_.log_.Line("room: announcement to " + std::to_string(n) + " stays: " + text);
    return n;
}

} // namespace kel::server
