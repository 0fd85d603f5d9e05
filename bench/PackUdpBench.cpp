// packudp-bench: the reliable echo peer, and a loopback benchmark of the
// reliable datagram layer against raw UDP measured in the same run.
//
//   packudp-bench echo --port P [--plain]
//   packudp-bench run [--plain] [--repeat N]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchCodec.h"
#include "BenchRun.h"
#include "EchoPeer.h"
#include "platform/PollLoop.h"

using namespace kel;
using namespace kel::bench;

namespace {

PollLoop* g_loop = nullptr;

void OnSignal(int) {
    if (g_loop) g_loop->RequestStop();
}

int Usage() {
    std::fprintf(stderr,
                 "usage: packudp-bench echo --port P [--plain]\n"
                 "       packudp-bench run [--plain] [--repeat N]\n");
    return 2;
}

int RunEcho(uint16_t port, bool plain) {
    PollLoop loop;
    MessageCodec codec(plain);
    EchoPeer peer(loop, codec, port, /*log=*/true);
    try {
        peer.pack.SetActive(true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "packudp-bench: %s\n", e.what());
        return 1;
    }
    std::printf("echo peer on UDP port %u (%s)\n", static_cast<unsigned>(peer.pack.BoundPort()),
                plain ? "plain" : "enveloped");
    std::fflush(stdout);
    g_loop = &loop;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    loop.Run();
    g_loop = nullptr;
    peer.pack.SetActive(false);
    std::printf("echo peer stopped: %llu echoed, %llu dropped\n", static_cast<unsigned long long>(peer.echoed.load()),
                static_cast<unsigned long long>(peer.dropped.load()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string cmd = argv[1];
    bool plain = false;
    long port = -1, repeat = 1;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plain") == 0) {
            plain = true;
        } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            char* end = nullptr;
            port = std::strtol(argv[++i], &end, 10);
            if (*end || port < 0 || port > 65535) return Usage();
        } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            char* end = nullptr;
            repeat = std::strtol(argv[++i], &end, 10);
            if (*end || repeat < 1 || repeat > 1000) return Usage();
        } else {
            return Usage();
        }
    }
    if (cmd == "echo") {
        if (port < 0) return Usage();
        return RunEcho(static_cast<uint16_t>(port), plain);
    }
    if (cmd == "run" && port < 0) return RunBench(plain, static_cast<int>(repeat));
    return Usage();
}
