#include "config/GiftCsv.h"

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

#include "foundation/Gbk.h"

namespace kel {
namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool ToInt(const std::string& s, int32_t& v)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

bool Fits(const std::string& utf8, size_t n) { return Utf8ToGbk(utf8).size() <= n; }

} // namespace

bool ReadGiftCsv(const std::string& file_name, std::vector<TGiftInfo>& gifts, std::string& error)
{
    std::ifstream in(file_name);
    if (!in) {
        error = file_name + ": cannot be read";
        return false;
    }
    std::set<int32_t> ids;
    bool header = true;
    int line_no = 0;
    for (std::string line; std::getline(in, line);) {
        ++line_no;
        std::string t = Trim(line);
        if (t.empty() || t[0] == '#') continue;
        if (header) {  // the column names
            header = false;
            continue;
        }
        std::vector<std::string> f;
        std::stringstream ss(t);
        for (std::string field; std::getline(ss, field, ',');) f.push_back(Trim(field));
        if (!t.empty() && t.back() == ',') f.push_back({});
        auto fail = [&](const std::string& why) {
            error = file_name + ":" + std::to_string(line_no) + ": " + why;
            return false;
        };
        if (f.size() != 6) return fail("expected 6 fields");
        TGiftInfo g;
        if (!ToInt(f[0], g.id)) return fail("id is not a number");
        if (!ToInt(f[3], g.price)) return fail("price is not a number");
        g.name = f[1];
        g.category = f[2];
        g.picture = f[4];
        g.animation = f[5];
        if (!Fits(g.name, kGiftNameMax) || !Fits(g.category, kGiftNameMax))
            return fail("name or category longer than 10 GBK bytes");
        if (!Fits(g.picture, kGiftFileNameMax) || !Fits(g.animation, kGiftFileNameMax))
            return fail("file name longer than 20 bytes");
        if (!ids.insert(g.id).second) return fail("id " + f[0] + " given twice");
        gifts.push_back(std::move(g));
    }
    return true;
}

} // namespace kel
