#pragma once
// The demo community written into a new database: rooms in each of the
// three server groups (one with a password, one for members only, one
// closed), users of every kind with known passwords, and the gift
// catalogue.
#include <string>
#include <vector>

#include "Storage.h"

namespace kel::server {

struct DemoAccount {
    int32_t Id;
    const char* Password;
    const char* NickName;
    int16_t Type;
    int32_t Coins;
    const char* Role;  // for the README and the log
};

// The accounts, in the order they are created.
const std::vector<DemoAccount>& DemoAccounts();

// Writes the demo community in one transaction; `gifts` may be empty.
// `web_base` ("http://host:port") is where the rooms' link buttons point.
void SeedDemoCommunity(Storage& db, const std::vector<GiftRow>& gifts, const std::string& web_base);

// Reads gift rows from a CSV file (a header line naming at least the
// columns id, name and price; category is optional). Rows that do not
// parse are skipped; a missing file gives none.
std::vector<GiftRow> ReadGiftCsv(const std::string& path);

} // namespace kel::server
