// The hall-server list provider. The client loads this library by name and
// calls KeyClient once with a zero-filled 610-byte record:
//   0 int32 count (at most 6) | 4 + 101 * i: length byte + up to 100 chars
// Each entry is the server's host name or dotted address, enciphered for
// the client with the server-list key (hexadecimal text).
//
// The servers are listed in ServerList.txt beside this library, one host a
// line ('#' starts a comment); without that file the list is 127.0.0.1.
#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "config/ServerList.h"
#include "config/TextCipher.h"

namespace {

using kel::kServerEntryTextMax;

std::string OwnFolder()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || !info.dli_fname) return "./";
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::vector<std::string> ListedHosts()
{
    std::ifstream in(OwnFolder() + kel::kServerListFileName);
    if (!in) return {"127.0.0.1"};
    std::vector<std::string> hosts;
    for (std::string line; std::getline(in, line) && hosts.size() < static_cast<size_t>(kel::kMaxServers);) {
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        size_t b = line.find_first_not_of(" \t\r");
        if (b == std::string::npos) continue;
        size_t e = line.find_last_not_of(" \t\r");
        std::string host = line.substr(b, e - b + 1);
        // A host too long to fit an entry once enciphered is left out.
        if (host.size() <= kel::kServerHostMax) hosts.push_back(std::move(host));
    }
    return hosts;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void KeyClient(void* record)
{
    if (!record) return;
    auto* rec = static_cast<uint8_t*>(record);
    std::memset(rec, 0, kel::kServerListRecordSize);
    uint32_t count = 0;
    for (const std::string& host : ListedHosts()) {
        std::string text = kel::EncryptString(host, kel::kServerListKey);
        if (text.empty() || text.size() > kServerEntryTextMax) continue;
        uint8_t* entry = rec + 4 + count * (1 + kServerEntryTextMax);
        entry[0] = static_cast<uint8_t>(text.size());
        std::memcpy(entry + 1, text.data(), text.size());
        ++count;
    }
    for (int i = 0; i < 4; ++i) rec[i] = static_cast<uint8_t>(count >> (8 * i));
}
