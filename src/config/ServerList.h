#pragma once
// The hall-server list. The outside provider library fills a 610-byte
// record: an int32 count and six entries of one length byte and up to 100
// characters, each a hexadecimal text enciphered with the server-list key
// that deciphers to a host name or dotted IPv4 address.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kel {

inline constexpr size_t kServerListRecordSize = 610;
inline constexpr int kMaxServers = 6;
inline constexpr size_t kServerEntryTextMax = 100;
// Enciphered, a longer host name would not fit the 100 characters of an
// entry (8 length bytes and two 16-byte blocks are 80 hexadecimal digits).
inline constexpr size_t kServerHostMax = 32;
// The provider's list of hosts, one a line, beside the provider library.
inline constexpr const char* kServerListFileName = "ServerList.txt";
inline constexpr const char* kServerListProviderName = "kelvo_C.key";

using TServerListRecord = std::array<uint8_t, kServerListRecordSize>;

// Host name or dotted address -> IPv4 address in network byte order, 0
// when it does not resolve.
using THostResolver = std::function<uint32_t(const std::string&)>;

// Loads the provider from `library_path` with dlopen, calls its KeyClient
// export once on a zero-filled record and unloads it. A library that does
// not load, or lacks the export, leaves the record all zero (false).
bool CallServerListProvider(const std::string& library_path, TServerListRecord& record);

// The addresses of a record. The count is trusted only between 0 and 6 and
// each length byte only up to 100; an entry that does not decipher or does
// not resolve gives the address 0 in its slot.
std::vector<uint32_t> ParseServerList(const TServerListRecord& record, const THostResolver& resolve);

} // namespace kel
