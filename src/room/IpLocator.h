#pragma once
// The IP-location look-up behind the IP query: an HTTP GET of
// <service>?ip=<dotted address> whose UTF-8 body is the location text. It
// runs on a thread of its own with a time-out, so the window never waits;
// the answer (empty on any failure) is handed back on the loop's thread.
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace kel {

class ILoop;

class IIpLocator {
public:
    virtual ~IIpLocator() = default;
    // `done` runs later on the loop's thread, exactly once.
    virtual void Locate(const std::string& dotted, std::function<void(const std::string& location)> done) = 0;
};

class THttpIpLocator : public IIpLocator {
public:
    // `service_url`: "http://host[:port]/path".
    THttpIpLocator(ILoop& loop, std::string service_url, uint32_t timeout_ms = 3000);
    // Waits for the look-ups still running (each bounded by the time-out).
    ~THttpIpLocator() override;

    void Locate(const std::string& dotted, std::function<void(const std::string& location)> done) override;

    // The blocking request itself; empty on failure. Public for tests.
    static std::string Fetch(const std::string& service_url, const std::string& dotted, uint32_t timeout_ms);

private:
    ILoop& loop_;
    std::string url_;
    uint32_t timeout_ms_;
    std::mutex lock_;
    std::list<std::thread> threads_;
};

} // namespace kel
