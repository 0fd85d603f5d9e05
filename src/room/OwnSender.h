#pragma once
// The own media sender as the mic logic sees it: started when the server
// grants a mic, stopped when the own user leaves it. The media stages
// implement it; until then TLoggingOwnSender only records and logs.
#include <cstdint>
#include <string>

namespace kel {

struct TOwnSenderStart {
    int32_t UserID = 0;           // the sender registers as user 0 ...
    std::string NickName = "0";   // ... with nickname "0"
    uint32_t MediaIp = 0;         // relay, network byte order
    uint16_t MediaPort = 0;
    int32_t VideoDevice = 0;      // index from the A/V settings
    std::string SourceFile;       // none: the camera
    int32_t MediaTicket = 0;
    int32_t VideoMode = 1;
    int32_t FrameRate = 8;
    int32_t CompressionRate = 100;
};

class IOwnSender {
public:
    virtual ~IOwnSender() = default;
    virtual void Start(const TOwnSenderStart& how) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    virtual void SendAudio(bool on) = 0;
};

class TLoggingOwnSender : public IOwnSender {
public:
    void Start(const TOwnSenderStart& how) override;
    void Stop() override;
    bool Running() const override { return running_; }
    void SendAudio(bool on) override;

private:
    bool running_ = false;
};

} // namespace kel
