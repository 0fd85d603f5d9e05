#pragma once
// The readable source of the gift catalogue (data/Gift.csv), UTF-8:
//   id,name,category,price,picture,animation
// one gift a line, a first line of column names, '#' starts a comment line.
// The build turns it into Gift.dat; the community server reads it to seed
// its own catalogue, so both sides offer the same gifts.
#include <string>
#include <vector>

#include "config/Gift.h"

namespace kel {

// The gifts in file order. On any fault (a line without six fields, a
// number that is not one, a text too long for its Gift.dat field once in
// GBK, an id given twice) returns false and says which line in `error`.
bool ReadGiftCsv(const std::string& file_name, std::vector<TGiftInfo>& gifts, std::string& error);

} // namespace kel
