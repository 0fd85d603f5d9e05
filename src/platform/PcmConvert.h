#pragma once
// Conversion of a whole PCM buffer between formats: 8/16-bit samples,
// channels mixed down by averaging or copied up, the rate changed by linear
// interpolation. Used where a source's own format (a WAV file) differs from
// the format a device was opened with.
#include <cstdint>
#include <vector>

#include "platform/PcmFormat.h"

namespace kel {

// Converts `size` bytes of `from` (a trailing partial frame is ignored).
// Both formats must be Valid(); otherwise the result is empty.
std::vector<uint8_t> ConvertPcm(const TPcmFormat& from, const uint8_t* data, size_t size, const TPcmFormat& to);

} // namespace kel
