#pragma once
// The paced display of large gift broadcasts: each waiting batch shows at
// most `step` items per pacing period, batches taking turns, one gift line
// per period whatever the number of batches. A batch ends when all its items
// are shown; a step of 0 or less shows the rest at once and a batch with a
// negative count is dropped, so no batch can wait for ever.
#include <cstdint>
#include <list>
#include <optional>
#include <string>

#include "room/ChatLine.h"

namespace kel {

struct TGiftBatch {
    int32_t GiverID = 0;
    std::string GiverNick;
    int32_t ReceiverID = 0;
    std::string ReceiverNick;
    std::string GiverLevel;
    std::string ReceiverLevel;
    int32_t GiftID = 0;
    int32_t Remaining = 0;   // count still to be shown
    int32_t TotalShown = 0;  // running total already shown
    int32_t Count = 0;
    int32_t PricePerGift = 0;  // paid by the giver
    int32_t ValuePerGift = 0;  // credited to the receiver
    int32_t GiverCoinsAfter = 0;
    int32_t GiverScoreAfter = 0;
    int32_t ReceiverCoinsAfter = 0;
    int32_t ReceiverScoreAfter = 0;
    bool CreditedInCoins = false;
    std::string Unit;
    std::string GiftName;
};

// What one pacing step asks the room to show.
struct GiftPaceStep {
    GiftLineValues Line;
    // The own balance to show on the gift bar while the batch runs.
    enum BalanceKind { NoBalance, Coins, Score };
    BalanceKind Balance = NoBalance;
    int64_t BalanceValue = 0;
    bool Finished = false;  // the batch has shown everything
};

class TGiftPacer {
public:
    TGiftPacer() = default;
    TGiftPacer(const TGiftPacer&) = delete;
    TGiftPacer& operator=(const TGiftPacer&) = delete;

    void Add(TGiftBatch batch) { batches_.push_back(std::move(batch)); }
    bool Empty() const { return batches_.empty(); }
    size_t Size() const { return batches_.size(); }

    // One pacing period: nothing when no batch waits.
    std::optional<GiftPaceStep> Step(int32_t step_size, int32_t my_user_id);

    // A user who leaves takes his batches with him.
    void RemoveUser(int32_t user_id);

private:
    std::list<TGiftBatch> batches_;
    std::list<TGiftBatch>::iterator cursor_ = batches_.end();
};

} // namespace kel
