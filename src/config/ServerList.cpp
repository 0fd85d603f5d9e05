#include "config/ServerList.h"

#include <dlfcn.h>

#include "config/TextCipher.h"
#include "foundation/WireReader.h"

namespace kel {

bool CallServerListProvider(const std::string& library_path, TServerListRecord& record)
{
    record.fill(0);
    void* lib = ::dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    using KeyClientFn = void (*)(void*);
    auto fn = reinterpret_cast<KeyClientFn>(::dlsym(lib, "KeyClient"));
    if (fn) fn(record.data());
    ::dlclose(lib);
    return fn != nullptr;
}

std::vector<uint32_t> ParseServerList(const TServerListRecord& record, const THostResolver& resolve)
{
    WireReader r(record.data(), record.size());
    int32_t count = r.I32();
    if (count <= 0) return {};
    if (count > kMaxServers) count = kMaxServers;

    std::vector<uint32_t> addresses;
    for (int32_t i = 0; i < count; ++i) {
        // The entry text is plain ASCII hexadecimal; read as raw bytes so
        // no code-page conversion touches it.
        size_t at = 4 + static_cast<size_t>(i) * (1 + kServerEntryTextMax);
        size_t len = record[at];
        if (len > kServerEntryTextMax) len = kServerEntryTextMax;
        std::string hex(reinterpret_cast<const char*>(record.data() + at + 1), len);
        uint32_t address = 0;
        try {
            std::string host = UpToFirstZero(DecryptString(hex, kServerListKey));
            if (!host.empty() && resolve) address = resolve(host);
        } catch (const EDecryptError&) {
            address = 0;
        }
        addresses.push_back(address);
    }
    return addresses;
}

} // namespace kel
