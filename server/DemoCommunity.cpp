#include "DemoCommunity.h"

#include "config/GiftCsv.h"
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

        RoomRow music = DemoRoom(web, 2001, 2, "音乐之声", "进入需要房间密码");
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

        // Address ranges every installation knows; a community adds its
        // own location data to the same table.
        db.AddIpRange(0x7f000000, 0x7fffffff, "本机地址");
        db.AddIpRange(0x0a000000, 0x0affffff, "局域网");
        db.AddIpRange(0xac100000, 0xac1fffff, "局域网");
        db.AddIpRange(0xc0a80000, 0xc0a8ffff, "局域网");
        db.AddIpRange(0xa9fe0000, 0xa9feffff, "本地链路");
        db.AddIpRange(0x64400000, 0x647fffff, "运营商内网");
    });
}

std::vector<GiftRow> GiftsFromCatalogue(const std::string& path, std::string* error) {
    std::vector<TGiftInfo> gifts;
    std::string why;
    std::vector<GiftRow> out;
    if (!kel::ReadGiftCsv(path, gifts, why)) {
        if (error) *error = why;
        return out;
    }
    for (const auto& g : gifts) out.push_back({g.id, g.name, g.price, g.category});
    return out;
}

} // namespace kel::server
