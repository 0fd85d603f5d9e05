#pragma once
// INI files as the Windows profile functions treat them: sections and keys
// are matched without regard to ASCII letter case, the first of two equal
// sections or keys wins, a missing file or key gives the caller's default,
// and numbers are read the way GetPrivateProfileInt reads them. Text is
// UTF-8 (a leading byte-order mark is accepted and kept).
//
// The object keeps the parsed file in memory for reading. Every write
// re-reads the file from disk, changes only the line concerned and writes
// the whole file back at once, so comments, blank lines, other sections and
// writes made through another object on the same file are all kept.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel {

class TIniFile {
public:
    explicit TIniFile(std::string file_name);

    const std::string& FileName() const { return file_name_; }
    // Reads the file again (after another program or object changed it).
    void Reload();

    // Value with surrounding blanks removed and one pair of matching
    // quotes ('...' or "...") taken off; `def` when the key is absent.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    // Optional sign, then "0x" hexadecimal, "0o" octal, "0b" binary or
    // decimal digits, read up to the first other character ("12px" is 12,
    // "abc" is 0); an absent key or an empty value gives `def`.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def = 0) const;
    // An integer that is not 0; an absent key or empty value gives `def`.
    bool ReadBool(std::string_view section, std::string_view key, bool def = false) const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Section names in file order, each once.
    std::vector<std::string> ReadSections() const;
    // Key names of a section in file order, each once.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Key/value pairs of a section in file order (values as ReadString gives them).
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

    // The writers create the file (not its folder) when it is missing and
    // return false when it cannot be written; the in-memory copy then
    // stays as the disk has it.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

    // The integer rule of ReadInteger applied to a text; `def` for blank text.
    static int32_t ParseProfileInt(std::string_view text, int32_t def);

private:
    struct Line {
        std::string text;      // the line as in the file, without its line end
        std::string section;   // for a section header: its name
        std::string key;       // for a key line: its name
        bool is_section = false;
        bool is_key = false;
    };
    struct Doc {
        std::vector<Line> lines;
        bool bom = false;
        bool crlf = false;
        // The file is there but could not be read: writing would replace
        // what it holds with our few lines, so writes refuse.
        bool unreadable = false;
    };

    static Doc Parse(const std::string& content);
    static Doc LoadDoc(const std::string& file_name);
    bool SaveDoc(const Doc& doc) const;
    static const Line* FindKey(const Doc& doc, std::string_view section, std::string_view key);

    std::string file_name_;
    Doc doc_;
};

} // namespace kel
