#pragma once
// A fresh folder under /tmp for one test, removed with everything in it.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <stdlib.h>

namespace kel::test {

class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kel-test-XXXXXX").string();
        if (char* p = ::mkdtemp(tmpl.data())) path_ = p;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder with a trailing '/', as the application folder is kept.
    std::string Folder() const { return path_.string() + "/"; }
    std::string File(const std::string& rel) const { return (path_ / rel).string(); }

    std::string Write(const std::string& rel, const std::string& content) const
    {
        std::filesystem::path p = path_ / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    std::string Read(const std::string& rel) const
    {
        std::ifstream in(path_ / rel, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path path_;
};

} // namespace kel::test
