#include "room/GiftPacing.h"

namespace kel {

std::optional<GiftPaceStep> TGiftPacer::Step(int32_t step_size, int32_t my_user_id) {
    // Batches that cannot show anything leave without a line.
    for (auto it = batches_.begin(); it != batches_.end();) {
        if (it->Remaining < 0) {
            if (it == cursor_) cursor_ = std::next(it);
            it = batches_.erase(it);
        } else {
            ++it;
        }
    }
    if (batches_.empty()) return std::nullopt;
    if (cursor_ == batches_.end()) cursor_ = batches_.begin();

    TGiftBatch& b = *cursor_;
    int32_t shown = (step_size <= 0 || b.Remaining < step_size) ? b.Remaining : step_size;
    b.TotalShown += shown;
    b.Remaining -= shown;

    GiftPaceStep s;
    s.Line.GiverID = b.GiverID;
    s.Line.GiverNick = b.GiverNick;
    s.Line.ReceiverID = b.ReceiverID;
    s.Line.ReceiverNick = b.ReceiverNick;
    s.Line.GiverLevel = b.GiverLevel;
    s.Line.ReceiverLevel = b.ReceiverLevel;
    s.Line.GiftID = b.GiftID;
    s.Line.ShowCount = shown;
    s.Line.TotalShown = b.TotalShown;
    s.Line.Unit = b.Unit;

    const int64_t rest = b.Remaining;
    if (b.ReceiverID == my_user_id) {
        s.Balance = b.CreditedInCoins ? GiftPaceStep::Coins : GiftPaceStep::Score;
        s.BalanceValue = (b.CreditedInCoins ? b.ReceiverCoinsAfter : b.ReceiverScoreAfter) - rest * b.ValuePerGift;
    } else if (b.GiverID == my_user_id) {
        s.Balance = GiftPaceStep::Coins;
        s.BalanceValue = rest * b.PricePerGift + b.GiverCoinsAfter;
    }

    if (b.Remaining == 0) {
        s.Finished = true;
        cursor_ = batches_.erase(cursor_);  // the next batch moves under the cursor
    } else {
        ++cursor_;
    }
    return s;
}

void TGiftPacer::RemoveUser(int32_t user_id) {
    for (auto it = batches_.begin(); it != batches_.end();) {
        if (it->GiverID == user_id || it->ReceiverID == user_id) {
            if (it == cursor_) cursor_ = std::next(it);
            it = batches_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace kel
