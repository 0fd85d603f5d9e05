// kelserver: the community server. Reads its INI configuration, creates and
// seeds the database on first start, and serves the hall, the rooms and
// the web pages until SIGINT or SIGTERM.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "OperatorConsole.h"
#include "ServerApp.h"
#include "platform/PollLoop.h"

namespace {

kel::PollLoop* g_loop = nullptr;

void OnSignal(int) {
    if (g_loop) g_loop->RequestStop();
}

std::string AppDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("./") : exe.parent_path().string() + "/";
}

void Usage() {
    std::printf(
        "Usage: kelserver [--config FILE] [--database FILE]\n"
        "\n"
        "The community server: hall, registration and room servers over UDP and\n"
        "the hall web pages over HTTP.\n"
        "\n"
        "  --config FILE    INI file with a [Server] section (default: kelserver.ini\n"
        "                   beside the program; a missing file gives the defaults)\n"
        "  --database FILE  SQLite database (overrides Database= of the config)\n"
        "  --help           this text\n"
        "\n"
        "[Server] keys and defaults: ListenAddress=127.0.0.1, PublicAddress=,\n"
        "PortHall=23456, PortRoom1=20011, PortRoom2=20022, PortRoom3=20033 (0 turns a\n"
        "server group off), PortHttp=8080 (0 = no web server), PortMedia=20044 (the media\n"
        "relay named in mic grants), Database=kelserver.db,\n"
        "SessionTimeoutMs=300000, SessionCheckMs=5000, WordFilter=, RegistrationsPerHour=20,\n"
        "GiftCatalogue=Gift.csv, LogFile=.\n"
        "A new database is seeded with the demo community (see README.md).\n");
}

} // namespace

int main(int argc, char** argv) {
    const std::string app_dir = AppDir();
    std::string config_file = app_dir + "kelserver.ini";
    std::string database;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else if (a == "--config" && i + 1 < argc) {
            config_file = argv[++i];
        } else if (a == "--database" && i + 1 < argc) {
            database = argv[++i];
        } else {
            std::fprintf(stderr, "kelserver: unknown argument %s (try --help)\n", a.c_str());
            return 2;
        }
    }

    kel::server::ServerConfig cfg = kel::server::LoadServerConfig(config_file, app_dir);
    if (!database.empty()) cfg.Database = database;
    if (cfg.GiftCatalogue.empty() && std::filesystem::exists(app_dir + "Gift.csv")) cfg.GiftCatalogue = app_dir + "Gift.csv";

    kel::server::ServerLog log;
    if (!cfg.LogFile.empty() && !log.OpenFile(cfg.LogFile))
        std::fprintf(stderr, "kelserver: cannot open log file %s\n", cfg.LogFile.c_str());

    kel::PollLoop loop;
    kel::server::ServerApp app(cfg, loop, log);
    std::string error;
    if (!app.Start(&error)) {
        log.Line("cannot start: " + error);
        return 1;
    }
    g_loop = &loop;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Operator commands typed on the console, one per line (announce ...).
    // Without a console (standard input closed or at its end) nothing is read.
    std::string console;
    loop.WatchReadable(STDIN_FILENO, [&] {
        char buf[512];
        ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            loop.Unwatch(STDIN_FILENO);
            return;
        }
        console.append(buf, static_cast<size_t>(n));
        for (size_t nl; (nl = console.find('\n')) != std::string::npos;) {
            std::string answer = kel::server::RunOperatorCommand(app, console.substr(0, nl));
            console.erase(0, nl + 1);
            if (!answer.empty()) std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
        }
        if (console.size() > 4096) console.clear();  // no line end in sight
    });

    loop.Run();
    log.Line("shutting down");
    app.Stop();
    g_loop = nullptr;
    log.Line("stopped");
    return 0;
}
