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

// The gifts of the catalogue source (the CSV the client's Gift.dat is made
// from), so the server offers the same gifts; empty with `error` set when
// the file is missing or faulty.
std::vector<GiftRow> GiftsFromCatalogue(const std::string& path, std::string* error);

} // namespace kel::server
