#pragma once
// The room banner's row of luxury gifts (newest first, scrolling) and the
// loudspeaker panel's texts for gift broadcasts (8004) and game wins (8010).
#include <optional>
#include <string>
#include <vector>

#include "config/Gift.h"
#include "protocol/ChatMessages.h"
#include "protocol/GiftEvent.h"
#include "room/ChatLine.h"

namespace kel {

// Newest first; records of equal time keep their order.
void SortLuxuryGifts(std::vector<TGiftEvent>& gifts);

// The banner document: one cell per record whose gift is catalogued.
std::string BuildBannerHtml(const std::vector<TGiftEvent>& gifts, const TLineBuilder& lines);

// The panel text of a gift broadcast; nothing when the gift is unknown.
std::optional<std::string> GiftBroadcastText(const GiftBroadcast& m, const TGift& gifts);
// The panel text of a game win (shown without a room link).
std::string GameWinText(const GameWin& m);

} // namespace kel
