#include "Storage.h"

#include <sqlite3.h>

#include <functional>
#include <stdexcept>

namespace kel::server {

// One prepared statement; throws on SQLite errors so that a failed write
// inside a transaction rolls the whole transaction back.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("sql: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(st_); }
    Statement& Bind(int i, int64_t v) {
        sqlite3_bind_int64(st_, i, v);
        return *this;
    }
    Statement& Bind(int i, const std::string& v) {
        sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // True while a row is available.
    bool Step() {
        int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw std::runtime_error(std::string("sql: ") + sqlite3_errmsg(db_));
    }
    int64_t Int(int col) const { return sqlite3_column_int64(st_, col); }
    std::string Text(int col) const {
        const unsigned char* t = sqlite3_column_text(st_, col);
        return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(st_, col))) : std::string();
    }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

namespace {

// The room record's fields and their columns, listed once; the schema,
// the insert and the select are all made from this list.
struct RoomColumn {
    const char* name;
    bool text;
    std::function<int64_t(const RoomRow&)> get_int;
    std::function<std::string(const RoomRow&)> get_text;
    std::function<void(RoomRow&, int64_t)> set_int;
    std::function<void(RoomRow&, const std::string&)> set_text;
};

template <class T>
RoomColumn IntCol(const char* name, T TRoomInfo::*m) {
    return {name, false, [m](const RoomRow& r) { return static_cast<int64_t>(r.Info.*m); }, nullptr,
            [m](RoomRow& r, int64_t v) { r.Info.*m = static_cast<T>(v); }, nullptr};
}

RoomColumn TextCol(const char* name, std::string TRoomInfo::*m) {
    return {name, true, nullptr, [m](const RoomRow& r) { return r.Info.*m; }, nullptr,
            [m](RoomRow& r, const std::string& v) { r.Info.*m = v; }};
}

template <size_t N>
RoomColumn TextAt(const char* name, std::array<std::string, N> TRoomInfo::*m, size_t i) {
    return {name, true, nullptr, [m, i](const RoomRow& r) { return (r.Info.*m)[i]; }, nullptr,
            [m, i](RoomRow& r, const std::string& v) { (r.Info.*m)[i] = v; }};
}

RoomColumn ViceAt(const char* name, size_t i) {
    return {name, false, [i](const RoomRow& r) { return static_cast<int64_t>(r.Info.ViceOwners[i]); }, nullptr,
            [i](RoomRow& r, int64_t v) { r.Info.ViceOwners[i] = static_cast<int32_t>(v); }, nullptr};
}

const std::vector<RoomColumn>& RoomColumns() {
    static const std::vector<RoomColumn> cols = [] {
        std::vector<RoomColumn> c;
        c.push_back(IntCol("id", &TRoomInfo::RoomID));
        c.push_back(IntCol("server_group", &TRoomInfo::ServerGroup));
        c.push_back({"popular", false, [](const RoomRow& r) { return int64_t{r.Popular}; }, nullptr,
                     [](RoomRow& r, int64_t v) { r.Popular = v != 0; }, nullptr});
        c.push_back({"closed", false, [](const RoomRow& r) { return int64_t{r.Closed}; }, nullptr,
                     [](RoomRow& r, int64_t v) { r.Closed = v != 0; }, nullptr});
        c.push_back(TextCol("name", &TRoomInfo::RoomName));
        c.push_back(IntCol("kind", &TRoomInfo::RoomKind));
        c.push_back(IntCol("owner", &TRoomInfo::OwnerID));
        c.push_back(ViceAt("vice_owner1", 0));
        c.push_back(ViceAt("vice_owner2", 1));
        c.push_back(ViceAt("vice_owner3", 2));
        c.push_back(IntCol("need_password", &TRoomInfo::NeedPassword));
        c.push_back(TextCol("password", &TRoomInfo::Password));
        c.push_back(TextCol("short_text", &TRoomInfo::ShortText));
        c.push_back(TextCol("description", &TRoomInfo::Description));
        c.push_back(IntCol("mic_count", &TRoomInfo::MicCount));
        c.push_back(IntCol("max_users", &TRoomInfo::MaxUsers));
        c.push_back(IntCol("min_user_class", &TRoomInfo::MinUserClass));
        c.push_back(IntCol("min_balance", &TRoomInfo::MinBalance));
        c.push_back(IntCol("gift_pacing_ms", &TRoomInfo::GiftPacingMs));
        c.push_back(IntCol("gift_pacing_step", &TRoomInfo::GiftPacingStep));
        c.push_back(IntCol("public_chat_bar", &TRoomInfo::PublicChatBar));
        c.push_back(IntCol("private_chat_bar", &TRoomInfo::PrivateChatBar));
        c.push_back(IntCol("no_registered_on_mic", &TRoomInfo::NoRegisteredOnMic));
        c.push_back(IntCol("auto_queue_off", &TRoomInfo::AutoQueueOff));
        c.push_back(IntCol("auto_queue_mic", &TRoomInfo::AutoQueueMic));
        c.push_back(IntCol("auto_queue_minutes", &TRoomInfo::AutoQueueMinutes));
        const char* captions[] = {"link_caption1", "link_caption2", "link_caption3", "link_caption4"};
        const char* targets[] = {"link_target1", "link_target2", "link_target3", "link_target4"};
        for (size_t i = 0; i < 4; ++i) c.push_back(TextAt(captions[i], &TRoomInfo::LinkCaptions, i));
        for (size_t i = 0; i < 4; ++i) c.push_back(TextAt(targets[i], &TRoomInfo::LinkTargets, i));
        const char* welcome[] = {"welcome1", "welcome2", "welcome3"};
        for (size_t i = 0; i < 3; ++i) c.push_back(TextAt(welcome[i], &TRoomInfo::WelcomeTexts, i));
        c.push_back(IntCol("registered_chat_wait_s", &TRoomInfo::RegisteredChatWaitS));
        c.push_back(TextCol("welcome_style", &TRoomInfo::WelcomeStyle));
        c.push_back(IntCol("gift_switch", &TRoomInfo::GiftSwitch));
        return c;
    }();
    return cols;
}

std::string RoomSelect() {
    std::string s = "SELECT ";
    const auto& cols = RoomColumns();
    for (size_t i = 0; i < cols.size(); ++i) s += (i ? ", " : "") + std::string(cols[i].name);
    return s + " FROM rooms";
}

RoomRow ReadRoom(const Statement& st) {
    RoomRow r;
    const auto& cols = RoomColumns();
    for (size_t i = 0; i < cols.size(); ++i) {
        int c = static_cast<int>(i);
        if (cols[i].text)
            cols[i].set_text(r, st.Text(c));
        else
            cols[i].set_int(r, st.Int(c));
    }
    return r;
}

const char* kUserColumns =
    "id, nickname, digest, user_type, rights, coins, score, head_index, sex, age, "
    "country, province, phone, mobile, email, qq, note";

UserRow ReadUser(const Statement& st) {
    UserRow u;
    u.Id = static_cast<int32_t>(st.Int(0));
    u.NickName = st.Text(1);
    u.Digest = st.Text(2);
    u.Type = static_cast<int16_t>(st.Int(3));
    u.Rights = static_cast<int32_t>(st.Int(4));
    u.Coins = static_cast<int32_t>(st.Int(5));
    u.Score = static_cast<int32_t>(st.Int(6));
    u.HeadIndex = static_cast<int16_t>(st.Int(7));
    u.Sex = static_cast<int16_t>(st.Int(8));
    u.Age = static_cast<int16_t>(st.Int(9));
    u.Country = st.Text(10);
    u.Province = st.Text(11);
    u.Phone = st.Text(12);
    u.Mobile = st.Text(13);
    u.Email = st.Text(14);
    u.QQ = st.Text(15);
    u.Note = st.Text(16);
    return u;
}

} // namespace

std::unique_ptr<Storage> Storage::Open(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : "cannot open database";
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Storage> s(new Storage(db));
    try {
        sqlite3_busy_timeout(db, 2000);
        s->Exec("PRAGMA journal_mode=WAL");
        s->Exec("PRAGMA synchronous=FULL");
        s->Exec("PRAGMA foreign_keys=ON");
        s->CreateSchema();
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return nullptr;
    }
    return s;
}

Storage::~Storage() { sqlite3_close(db_); }

void Storage::Exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        std::string text = msg ? msg : "error";
        sqlite3_free(msg);
        throw std::runtime_error("sql: " + text);
    }
}

void Storage::CreateSchema() {
    std::lock_guard<std::recursive_mutex> g(lock_);
    {
        Statement st(db_, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='users'");
        st.Step();
        created_ = st.Int(0) == 0;
    }
    if (!created_) return;
    std::string rooms = "CREATE TABLE rooms (";
    const auto& cols = RoomColumns();
    for (size_t i = 0; i < cols.size(); ++i) {
        rooms += (i ? ", " : "") + std::string(cols[i].name) + (cols[i].text ? " TEXT NOT NULL DEFAULT ''" : " INTEGER NOT NULL DEFAULT 0");
        if (i == 0) rooms += " PRIMARY KEY";
    }
    rooms += ")";
    Exec("BEGIN IMMEDIATE");
    Exec(
        "CREATE TABLE users (id INTEGER PRIMARY KEY, nickname TEXT NOT NULL, digest TEXT NOT NULL, "
        "user_type INTEGER NOT NULL, rights INTEGER NOT NULL DEFAULT 0, "
        "coins INTEGER NOT NULL DEFAULT 0 CHECK (coins >= 0), score INTEGER NOT NULL DEFAULT 0, "
        "head_index INTEGER NOT NULL DEFAULT -1, sex INTEGER NOT NULL DEFAULT 0, age INTEGER NOT NULL DEFAULT 0, "
        "country TEXT NOT NULL DEFAULT '', province TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '', "
        "mobile TEXT NOT NULL DEFAULT '', email TEXT NOT NULL DEFAULT '', qq TEXT NOT NULL DEFAULT '', "
        "note TEXT NOT NULL DEFAULT '', created TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP)");
    Exec(rooms.c_str());
    Exec(
        "CREATE TABLE room_managers (room_id INTEGER NOT NULL REFERENCES rooms(id), "
        "user_id INTEGER NOT NULL REFERENCES users(id), level INTEGER NOT NULL, PRIMARY KEY (room_id, user_id))");
    Exec("CREATE TABLE user_black_list (room_id INTEGER NOT NULL, user_id INTEGER NOT NULL, PRIMARY KEY (room_id, user_id))");
    Exec("CREATE TABLE address_black_list (room_id INTEGER NOT NULL, ip INTEGER NOT NULL, PRIMARY KEY (room_id, ip))");
    Exec(
        "CREATE TABLE ip_ranges (first INTEGER NOT NULL, last INTEGER NOT NULL, location TEXT NOT NULL, "
        "PRIMARY KEY (first, last))");
    Exec(
        "CREATE TABLE gifts (id INTEGER PRIMARY KEY, name TEXT NOT NULL, price INTEGER NOT NULL, "
        "category TEXT NOT NULL DEFAULT '')");
    Exec("COMMIT");
}

std::optional<UserRow> Storage::FindUser(int32_t id) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, std::string("SELECT ") + kUserColumns + " FROM users WHERE id = ?");
    st.Bind(1, id);
    if (!st.Step()) return std::nullopt;
    return ReadUser(st);
}

int32_t Storage::CreateUser(const UserRow& u) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    int32_t id = 0;
    try {
        InTransaction([&] {
            id = u.Id;
            if (id == 0) {
                Statement max(db_, "SELECT coalesce(max(id), 9999) FROM users WHERE id >= 10000");
                max.Step();
                int64_t next = max.Int(0) + 1;
                if (next > 89999999) throw std::runtime_error("no free user number");
                id = static_cast<int32_t>(next);
            }
            Statement st(db_, std::string("INSERT INTO users (") + kUserColumns +
                                  ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            st.Bind(1, id).Bind(2, u.NickName).Bind(3, u.Digest).Bind(4, u.Type).Bind(5, u.Rights);
            st.Bind(6, u.Coins).Bind(7, u.Score).Bind(8, u.HeadIndex).Bind(9, u.Sex).Bind(10, u.Age);
            st.Bind(11, u.Country).Bind(12, u.Province).Bind(13, u.Phone).Bind(14, u.Mobile);
            st.Bind(15, u.Email).Bind(16, u.QQ).Bind(17, u.Note);
            st.Step();
        });
    } catch (const std::exception&) {
        return 0;
    }
    return id;
}

bool Storage::UpdateProfile(int32_t id, const std::string& nick, const std::string& digest) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    try {
        Statement st(db_, digest.empty() ? "UPDATE users SET nickname = ? WHERE id = ?"
                                         : "UPDATE users SET nickname = ?, digest = ? WHERE id = ?");
        st.Bind(1, nick);
        if (digest.empty()) {
            st.Bind(2, id);
        } else {
            st.Bind(2, digest).Bind(3, id);
        }
        st.Step();
        return sqlite3_changes(db_) == 1;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<int32_t> Storage::AddCoins(int32_t id, int32_t delta) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    std::optional<int32_t> result;
    try {
        InTransaction([&] {
            Statement get(db_, "SELECT coins FROM users WHERE id = ?");
            get.Bind(1, id);
            if (!get.Step()) return;
            int64_t v = get.Int(0) + delta;
            if (v < 0 || v > INT32_MAX) return;
            Statement set(db_, "UPDATE users SET coins = ? WHERE id = ?");
            set.Bind(1, v).Bind(2, id);
            set.Step();
            result = static_cast<int32_t>(v);
        });
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return result;
}

int32_t Storage::UserCount() {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, "SELECT count(*) FROM users");
    st.Step();
    return static_cast<int32_t>(st.Int(0));
}

std::vector<RoomRow> Storage::Rooms() {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, RoomSelect() + " ORDER BY server_group, id");
    std::vector<RoomRow> out;
    while (st.Step()) out.push_back(ReadRoom(st));
    return out;
}

std::optional<RoomRow> Storage::FindRoom(int32_t id) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, RoomSelect() + " WHERE id = ?");
    st.Bind(1, id);
    if (!st.Step()) return std::nullopt;
    return ReadRoom(st);
}

void Storage::SaveRoom(const RoomRow& room) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    const auto& cols = RoomColumns();
    std::string sql = "INSERT OR REPLACE INTO rooms (";
    std::string values;
    for (size_t i = 0; i < cols.size(); ++i) {
        sql += (i ? ", " : "") + std::string(cols[i].name);
        values += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + values + ")";
    Statement st(db_, sql);
    for (size_t i = 0; i < cols.size(); ++i) {
        int p = static_cast<int>(i) + 1;
        if (cols[i].text)
            st.Bind(p, cols[i].get_text(room));
        else
            st.Bind(p, cols[i].get_int(room));
    }
    st.Step();
}

int16_t Storage::ManagerLevelOf(int32_t room_id, int32_t user_id) {
    if (user_id <= 0) return kNoManager;
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_,
                 "SELECT CASE WHEN ? IN (owner, vice_owner1, vice_owner2, vice_owner3) THEN 2 ELSE "
                 "coalesce((SELECT level FROM room_managers WHERE room_id = rooms.id AND user_id = ?), 0) END "
                 "FROM rooms WHERE id = ?");
    st.Bind(1, user_id).Bind(2, user_id).Bind(3, room_id);
    if (!st.Step()) return kNoManager;
    return static_cast<int16_t>(st.Int(0));
}

void Storage::SetManager(int32_t room_id, int32_t user_id, int16_t level) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (level == kNoManager) {
        Statement st(db_, "DELETE FROM room_managers WHERE room_id = ? AND user_id = ?");
        st.Bind(1, room_id).Bind(2, user_id);
        st.Step();
        return;
    }
    Statement st(db_, "INSERT OR REPLACE INTO room_managers (room_id, user_id, level) VALUES (?, ?, ?)");
    st.Bind(1, room_id).Bind(2, user_id).Bind(3, level);
    st.Step();
}

std::vector<std::pair<int32_t, std::string>> Storage::Managers(int32_t room_id) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_,
                 "SELECT m.user_id, coalesce(u.nickname, '') FROM room_managers m LEFT JOIN users u ON u.id = m.user_id "
                 "WHERE m.room_id = ? AND m.level = 1 ORDER BY m.user_id");
    st.Bind(1, room_id);
    std::vector<std::pair<int32_t, std::string>> out;
    while (st.Step()) out.emplace_back(static_cast<int32_t>(st.Int(0)), st.Text(1));
    return out;
}

bool Storage::IsUserBlack(int32_t room_id, int32_t user_id) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, "SELECT 1 FROM user_black_list WHERE room_id = ? AND user_id = ?");
    st.Bind(1, room_id).Bind(2, user_id);
    return st.Step();
}

bool Storage::IsAddressBlack(int32_t room_id, uint32_t ip_net) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, "SELECT 1 FROM address_black_list WHERE room_id = ? AND ip = ?");
    st.Bind(1, room_id).Bind(2, static_cast<int64_t>(ip_net));
    return st.Step();
}

std::string Storage::IpLocation(uint32_t ip_host) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    // The narrowest range that holds the address wins.
    Statement st(db_, "SELECT location FROM ip_ranges WHERE ? BETWEEN first AND last ORDER BY last - first LIMIT 1");
    st.Bind(1, static_cast<int64_t>(ip_host));
    return st.Step() ? st.Text(0) : std::string();
}

void Storage::AddIpRange(uint32_t first_host, uint32_t last_host, const std::string& location) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, "INSERT OR REPLACE INTO ip_ranges (first, last, location) VALUES (?, ?, ?)");
    st.Bind(1, static_cast<int64_t>(first_host)).Bind(2, static_cast<int64_t>(last_host)).Bind(3, location);
    st.Step();
}

std::vector<GiftRow> Storage::Gifts() {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, "SELECT id, name, price, category FROM gifts ORDER BY id");
    std::vector<GiftRow> out;
    while (st.Step())
        out.push_back({static_cast<int32_t>(st.Int(0)), st.Text(1), static_cast<int32_t>(st.Int(2)), st.Text(3)});
    return out;
}

void Storage::SaveGift(const GiftRow& gift) {
    std::lock_guard<std::recursive_mutex> g(lock_);
    Statement st(db_, "INSERT OR REPLACE INTO gifts (id, name, price, category) VALUES (?, ?, ?, ?)");
    st.Bind(1, gift.Id).Bind(2, gift.Name).Bind(3, gift.Price).Bind(4, gift.Category);
    st.Step();
}

} // namespace kel::server
