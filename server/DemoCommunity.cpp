#include "DemoCommunity.h"

#include <fstream>
#include <sstream>

#include "foundation/Md5.h"

namespace kel::server {

const std::vector<DemoAccount>& DemoAccounts() {
    static const std::vector<DemoAccount> accounts = {
        {10000, "admin10000", "站长", kStaff, 1000000, "site owner: owner of every room, all rights"},
        {10001, "pass10001", "小明", kRegistered, 100, "registered user"},
        {10002, "pass10002", "小红", kMemberVip, 5000, "VIP member"},
        {10003, "pass10003", "金卡会员", kMemberGold, 20000, "gold member"},
        {10004, "pass10004", "钻石会员", kMemberDiamond, 100000, "diamond member"},
        {10005, "pass10005", "阿强", kRegistered, 1000, "manager of rooms 1001 and 2001"},
        {10006, "pass10006", "副室主", kMemberVip, 8000, "vice owner of room 1002"},
        {10007, "pass10007", "小刚", kRegistered, 0, "registered user without coins"},
    };
    return accounts;
}

namespace {

RoomRow DemoRoom(const std::string& web, int32_t id, int16_t group, const char* name, const char* description) {
    RoomRow r;
    TRoomInfo& i = r.Info;
    i.RoomID = id;
    i.RoomName = name;
    i.ServerGroup = group;
    i.Description = description;
    i.OwnerID = 10000;
    i.MicCount = 3;
    i.MaxUsers = 500;
    i.GiftPacingMs = 500;
    i.GiftPacingStep = 10;
    i.RegisteredChatWaitS = 0;
    i.AutoQueueOff = 0;
    i.AutoQueueMic = 0;
    i.AutoQueueMinutes = 10;
    i.LinkCaptions = {"充值", "帮助", "", "大厅"};
    i.LinkTargets = {web + "/pay", web + "/help.htm", web + "/kelvo_web_/index.htm?RoomID=" + std::to_string(id),
                     web + "/hall.htm"};
    i.LinkCaptions[2] = "房间主页";
    i.WelcomeTexts = {std::string("欢迎来到") + name + "！", "请文明聊天，遵守房间规则。", ""};
    i.WelcomeStyle = "font: 10pt 宋体; color: #0000ff";
    i.GiftSwitch = 1;
    return r;
}

} // namespace

void SeedDemoCommunity(Storage& db, const std::vector<GiftRow>& gifts, const std::string& web) {
    db.InTransaction([&] {
        for (const auto& a : DemoAccounts()) {
            UserRow u;
            u.Id = a.Id;
            u.NickName = a.NickName;
            u.Digest = Md5Hex(a.Password);
            u.Type = a.Type;
            u.Coins = a.Coins;
            u.HeadIndex = 0;
            u.Note = a.Role;
            if (db.CreateUser(u) != a.Id) throw std::runtime_error("seeding user failed");
        }

        RoomRow lobby = DemoRoom(web, 1001, 1, "欢乐大厅", "人气房间，游客也可以进入");
        lobby.Popular = true;
        db.SaveRoom(lobby);

        RoomRow vip = DemoRoom(web, 1002, 1, "VIP会所", "只有VIP会员以上才能进入");
        vip.Info.RoomKind = 1;
        vip.Info.MinUserClass = kMemberVip;
        vip.Info.ViceOwners = {10006, 0, 0};
        db.SaveRoom(vip);

        RoomRow music = DemoRoom(web, 2001, 2, "音乐之声", "进入需要房间密码 1234");
        music.Info.NeedPassword = 1;
        music.Info.Password = "1234";
        db.SaveRoom(music);

        RoomRow tea = DemoRoom(web, 2002, 2, "闲聊茶馆", "注册用户公聊间隔30秒");
        tea.Info.RegisteredChatWaitS = 30;
        tea.Info.PublicChatBar = 1;
        db.SaveRoom(tea);

        RoomRow night = DemoRoom(web, 3001, 3, "夜色温柔", "主播房间");
        night.Info.RoomKind = 9;
        db.SaveRoom(night);

        RoomRow newcomers = DemoRoom(web, 3002, 3, "新人乐园", "人气房间，新朋友欢迎");
        newcomers.Popular = true;
        db.SaveRoom(newcomers);

        RoomRow closed = DemoRoom(web, 3003, 3, "维护中", "暂时关闭");
        closed.Closed = true;
        db.SaveRoom(closed);

        db.SetManager(1001, 10005, kRoomManager);
        db.SetManager(2001, 10005, kRoomManager);

        for (const auto& g : gifts) db.SaveGift(g);
    });
}

std::vector<GiftRow> ReadGiftCsv(const std::string& path) {
    std::vector<GiftRow> out;
    std::ifstream in(path);
    if (!in) return out;
    auto split = [](const std::string& line) {
        std::vector<std::string> cells;
        std::string cell;
        std::istringstream s(line);
        while (std::getline(s, cell, ',')) {
            while (!cell.empty() && (cell.back() == '\r' || cell.back() == ' ')) cell.pop_back();
            size_t b = cell.find_first_not_of(' ');
            cells.push_back(b == std::string::npos ? std::string() : cell.substr(b));
        }
        return cells;
    };
    std::string line;
    if (!std::getline(in, line)) return out;
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    auto head = split(line);
    int id = -1, name = -1, price = -1, category = -1;
    for (size_t i = 0; i < head.size(); ++i) {
        std::string h = head[i];
        for (char& c : h) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (h == "id") id = static_cast<int>(i);
        else if (h == "name") name = static_cast<int>(i);
        else if (h == "price") price = static_cast<int>(i);
        else if (h == "category" || h == "kind" || h == "type") category = static_cast<int>(i);
    }
    if (id < 0 || name < 0 || price < 0) return out;
    while (std::getline(in, line)) {
        auto cells = split(line);
        auto at = [&](int i) { return i >= 0 && static_cast<size_t>(i) < cells.size() ? cells[static_cast<size_t>(i)] : std::string(); };
        try {
            GiftRow g;
            g.Id = std::stoi(at(id));
            g.Name = at(name);
            g.Price = std::stoi(at(price));
            g.Category = at(category);
            if (g.Id > 0 && !g.Name.empty() && g.Price >= 0) out.push_back(g);
        } catch (const std::exception&) {
        }
    }
    return out;
}

} // namespace kel::server
