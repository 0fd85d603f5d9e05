#include "protocol/LayoutSupport.h"

namespace kel {

void WriteMessageHead(WireWriter& w, int32_t code) {
    w.I32(cmd::kMessageSignature).I32(code);
}

bool ReadMessageHead(WireReader& r, int32_t code, size_t min_len) {
    if (r.Size() < min_len || r.Size() < 8) return false;
    r.Seek(0);
    if (r.I32() != cmd::kMessageSignature) return false;
    return r.I32() == code && r.Ok();
}

int32_t MessageCode(const uint8_t* data, size_t len) {
    if (len < 8) return -1;
    WireReader r(data, len);
    r.Seek(4);
    return r.I32();
}

bool CountFits(const WireReader& r, int32_t count, size_t records_at, size_t record_len) {
    if (count < 0 || records_at > r.Size()) return false;
    size_t room = r.Size() - records_at;
    return static_cast<size_t>(count) <= room / record_len;
}

} // namespace kel
