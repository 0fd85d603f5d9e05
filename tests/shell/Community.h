#pragma once
// The community server program on loopback, for the window tests: its own
// ports, database and configuration in a temporary folder, started as a
// child process and stopped again by the fixture.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <string>

class Community {
public:
    explicit Community(const std::string& name = "main") {
        dir_ = std::filesystem::temp_directory_path() /
               ("kel-community-" + std::to_string(getpid()) + "-" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        // Ports of our own, below the ephemeral range and away from the
        // demo's defaults; another block when these are taken.
        for (int attempt = 0; attempt < 4; ++attempt) {
            base_ = uint16_t(24100 + ((getpid() + attempt * 97 + std::hash<std::string>{}(name)) % 780) * 10);
            WriteConfig();
            Start();
            if (pid_ > 0) return;
        }
    }
    void WriteConfig() {
        std::ofstream(dir_ / "kelserver.ini") << "[Server]\nListenAddress=127.0.0.1\n"
                                              << "PortHall=" << HallPort() << "\nPortRoom1=" << RoomPort(1)
                                              << "\nPortRoom2=" << RoomPort(2) << "\nPortRoom3=" << RoomPort(3)
                                              << "\nPortHttp=" << HttpPort() << "\nDatabase=" << (dir_ / "kel.db").string()
                                              << "\nGiftCatalogue=" << KEL_DATA_DIR "/Gift.csv\n";
    }
    ~Community() {
        Stop();
        std::filesystem::remove_all(dir_);
    }
    void Start() {
        const std::string cfg = (dir_ / "kelserver.ini").string();
        const std::string log = (dir_ / "server.log").string();
        std::ofstream(log, std::ios::trunc).close();
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec.
            const int fd = open(log.c_str(), O_WRONLY | O_APPEND);
            if (fd >= 0) dup2(fd, 2);
            execl(KEL_APP_DIR "/kelserver", "kelserver", "--config", cfg.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Ready once this server says it listens (another one may hold the
        // ports already); one that could not bind them ends instead.
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && Log().find("listening") == std::string::npos) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            QThread::msleep(20);
        }
        while (t.elapsed() < 10000 && !WebUp()) QThread::msleep(20);
    }
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    bool Running() const { return pid_ > 0; }
    uint16_t HallPort() const { return base_; }
    uint16_t RoomPort(int group) const { return uint16_t(base_ + group); }
    uint16_t HttpPort() const { return uint16_t(base_ + 4); }
    static uint32_t Loopback() { return inet_addr("127.0.0.1"); }
    std::string Log() const {
        std::ifstream in(dir_ / "server.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    bool WebUp() const {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(HttpPort());
        a.sin_addr.s_addr = Loopback();
        const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(s);
        return ok;
    }
    std::filesystem::path dir_;
    uint16_t base_ = 0;
    pid_t pid_ = -1;
};
