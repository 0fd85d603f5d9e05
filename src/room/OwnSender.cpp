#include "room/OwnSender.h"

#include "foundation/kelDebug.h"
#include "foundation/kelUtils.h"

namespace kel {

void TLoggingOwnSender::Start(const TOwnSenderStart& how) {
    running_ = true;
    Log("own sender: start to relay " + AddressToText(how.MediaIp) + ":" + std::to_string(how.MediaPort) +
        ", camera " + std::to_string(how.VideoDevice));
}

void TLoggingOwnSender::Stop() {
    if (running_) Log("own sender: stop");
    running_ = false;
}

void TLoggingOwnSender::SendAudio(bool on) { Log(std::string("own sender: audio ") + (on ? "on" : "off")); }

} // namespace kel
