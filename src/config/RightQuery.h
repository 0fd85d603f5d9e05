#pragma once
// What a user may do, from the two rights words of his user record: the
// action rights (bit n = right n) and the mic rights (bit k-1 = may ask for
// mic state k, k = 1..6).
#include <cstdint>

namespace kel {

class TRightQuery {
public:
    // True when bit `bit` (0..31) of `rights` is set; false for any other bit.
    static bool HasRight(int32_t rights, int32_t bit)
    {
        return bit >= 0 && bit < 32 && (static_cast<uint32_t>(rights) >> bit & 1u) != 0;
    }
    // True when `rights` allows mic state `state` (1..6); there are no
    // other states to allow.
    static bool HasMicRight(int32_t rights, int32_t state)
    {
        return state >= 1 && state <= 6 && HasRight(rights, state - 1);
    }
};

// The application's instance, made and freed by the start-up.
extern TRightQuery* GlobalRightQuery;

} // namespace kel
