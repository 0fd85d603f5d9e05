#include "platform/IniFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string Unquote(std::string_view v)
{
    v = Trim(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// A value never spans lines: a line break inside it would turn the rest
// into a line of its own (a stray key or section) when the file is read.
std::string OneLine(std::string_view v)
{
    std::string out(v);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return 99;
}

} // namespace

TIniFile::TIniFile(std::string file_name) : file_name_(std::move(file_name)), doc_(LoadDoc(file_name_)) {}

void TIniFile::Reload() { doc_ = LoadDoc(file_name_); }

TIniFile::Doc TIniFile::Parse(const std::string& content)
{
    Doc doc;
    std::string_view rest(content);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.bom = true;
        rest.remove_prefix(3);
    }
    doc.crlf = rest.find("\r\n") != std::string_view::npos;
    std::string current;
    bool in_section = false;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view raw = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

        Line line;
        line.text = std::string(raw);
        std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            if (close != std::string_view::npos) {
                line.is_section = true;
                line.section = std::string(Trim(t.substr(1, close - 1)));
                current = line.section;
                in_section = true;
            }
        } else if (in_section && !t.empty() && t.front() != ';') {
            size_t eq = t.find('=');
            if (eq != std::string_view::npos && eq > 0) {
                line.is_key = true;
                line.key = std::string(Trim(t.substr(0, eq)));
                line.section = current;
            }
        }
        doc.lines.push_back(std::move(line));
    }
    return doc;
}

TIniFile::Doc TIniFile::LoadDoc(const std::string& file_name)
{
    std::ifstream in(file_name, std::ios::binary);
    if (!in) {
        Doc doc;
        doc.unreadable = ::access(file_name.c_str(), F_OK) == 0;
        return doc;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        Doc doc;
        doc.unreadable = true;
        return doc;
    }
    return Parse(ss.str());
}

bool TIniFile::SaveDoc(const Doc& doc) const
{
    std::string out;
    if (doc.bom) out += "\xEF\xBB\xBF";
    const char* eol = doc.crlf ? "\r\n" : "\n";
    for (const Line& l : doc.lines) {
        out += l.text;
        out += eol;
    }
    // Written beside the file and renamed over it, so a failed write never
    // leaves half a file behind.
    std::string tmp = file_name_ + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f.write(out.data(), static_cast<std::streamsize>(out.size()));
        f.flush();
        if (!f) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), file_name_.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

const TIniFile::Line* TIniFile::FindKey(const Doc& doc, std::string_view section, std::string_view key)
{
    section = Trim(section);
    key = Trim(key);
    bool seen_section = false;
    bool inside = false;
    for (const Line& l : doc.lines) {
        if (l.is_section) {
            if (inside) return nullptr;  // only the first equal section counts
            inside = !seen_section && SameName(l.section, section);
            seen_section = seen_section || inside;
        } else if (inside && l.is_key && SameName(l.key, key)) {
            return &l;
        }
    }
    return nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const Line* l = FindKey(doc_, section, key);
    if (!l) return std::string(def);
    return Unquote(std::string_view(l->text).substr(l->text.find('=') + 1));
}

int32_t TIniFile::ParseProfileInt(std::string_view text, int32_t def)
{
    std::string_view t = Trim(text);
    if (t.empty()) return def;
    bool negative = false;
    if (t.front() == '-' || t.front() == '+') {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (t.size() >= 2 && t[0] == '0') {
        char p = Lower(t[1]);
        if (p == 'x') base = 16;
        else if (p == 'o') base = 8;
        else if (p == 'b') base = 2;
        if (base != 10) t.remove_prefix(2);
    }
    // Accumulated in 32 bits with wrap-around, as the profile functions do.
    uint32_t v = 0;
    for (char c : t) {
        int d = DigitValue(c);
        if (d >= base) break;
        v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
    }
    if (negative) v = 0u - v;
    return static_cast<int32_t>(v);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const Line* l = FindKey(doc_, section, key);
    if (!l) return def;
    return ParseProfileInt(Unquote(std::string_view(l->text).substr(l->text.find('=') + 1)), def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const
{
    section = Trim(section);
    for (const Line& l : doc_.lines)
        if (l.is_section && SameName(l.section, section)) return true;
    return false;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindKey(doc_, section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const Line& l : doc_.lines) {
        if (!l.is_section) continue;
        bool known = false;
        for (const std::string& n : names) known = known || SameName(n, l.section);
        if (!known) names.push_back(l.section);
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> out;
    section = Trim(section);
    bool seen_section = false;
    bool inside = false;
    for (const Line& l : doc_.lines) {
        if (l.is_section) {
            if (inside) break;
            inside = !seen_section && SameName(l.section, section);
            seen_section = seen_section || inside;
        } else if (inside && l.is_key) {
            bool known = false;
            for (const auto& kv : out) known = known || SameName(kv.first, l.key);
            if (!known) out.emplace_back(l.key, Unquote(std::string_view(l.text).substr(l.text.find('=') + 1)));
        }
    }
    return out;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    for (auto& kv : ReadSectionValues(section)) keys.push_back(std::move(kv.first));
    return keys;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty() || section.find_first_of("]\r\n") != std::string_view::npos ||
        key.find_first_of("=\r\n") != std::string_view::npos || key.front() == '[' || key.front() == ';')
        return false;

    Doc doc = LoadDoc(file_name_);
    if (doc.unreadable) return false;
    std::string text_value = OneLine(value);

    size_t header = doc.lines.size();
    for (size_t i = 0; i < doc.lines.size(); ++i)
        if (doc.lines[i].is_section && SameName(doc.lines[i].section, section)) {
            header = i;
            break;
        }

    Line line;
    line.is_key = true;
    line.key = std::string(key);
    if (header == doc.lines.size()) {
        if (!doc.lines.empty() && !Trim(doc.lines.back().text).empty()) doc.lines.push_back(Line{});
        Line head;
        head.is_section = true;
        head.section = std::string(section);
        head.text = "[" + head.section + "]";
        doc.lines.push_back(std::move(head));
        line.section = std::string(section);
        line.text = line.key + "=" + text_value;
        doc.lines.push_back(std::move(line));
    } else {
        size_t insert_at = header + 1;
        bool replaced = false;
        for (size_t i = header + 1; i < doc.lines.size() && !doc.lines[i].is_section; ++i) {
            Line& l = doc.lines[i];
            if (!l.is_key) continue;
            if (SameName(l.key, key)) {
                l.text = l.key + "=" + text_value;  // keeps the key's spelling in the file
                replaced = true;
                break;
            }
            insert_at = i + 1;
        }
        if (!replaced) {
            line.section = doc.lines[header].section;
            line.text = line.key + "=" + text_value;
            doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(line));
        }
    }
    if (!SaveDoc(doc)) {
        doc_ = LoadDoc(file_name_);
        return false;
    }
    doc_ = std::move(doc);
    return true;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    Doc doc = LoadDoc(file_name_);
    if (doc.unreadable) return false;
    const Line* l = FindKey(doc, section, key);
    if (!l) {
        doc_ = std::move(doc);
        return true;
    }
    doc.lines.erase(doc.lines.begin() + (l - doc.lines.data()));
    bool ok = SaveDoc(doc);
    doc_ = ok ? std::move(doc) : LoadDoc(file_name_);
    return ok;
}

bool TIniFile::EraseSection(std::string_view section)
{
    section = Trim(section);
    Doc doc = LoadDoc(file_name_);
    if (doc.unreadable) return false;
    bool changed = false;
    // Every section of that name goes, with its lines up to the next header.
    for (size_t i = 0; i < doc.lines.size();) {
        if (doc.lines[i].is_section && SameName(doc.lines[i].section, section)) {
            size_t end = i + 1;
            while (end < doc.lines.size() && !doc.lines[end].is_section) ++end;
            doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(i),
                            doc.lines.begin() + static_cast<std::ptrdiff_t>(end));
            changed = true;
        } else {
            ++i;
        }
    }
    if (!changed) {
        doc_ = std::move(doc);
        return true;
    }
    bool ok = SaveDoc(doc);
    doc_ = ok ? std::move(doc) : LoadDoc(file_name_);
    return ok;
}

} // namespace kel
