#include "platform/AppFolder.h"

#include <mutex>
#include <unistd.h>

namespace kel {
namespace {

std::mutex g_lock;
std::string g_override;

} // namespace

std::string WithTrailingSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string ApplicationFolder()
{
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!g_override.empty()) return g_override;
    }
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

void SetApplicationFolder(std::string folder)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_override = WithTrailingSlash(std::move(folder));
}

} // namespace kel
