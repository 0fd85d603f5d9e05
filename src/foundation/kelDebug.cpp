#include "foundation/kelDebug.h"

#include <cstdio>

namespace kel {

std::string TDeBug::DayFileName(const std::tm& local) {
    return std::to_string(local.tm_mon + 1) + "-" + std::to_string(local.tm_mday) + ".log";
}

void TDeBug::SetFolder(std::string folder) {
    std::lock_guard<std::mutex> guard(lock_);
    folder_ = std::move(folder);
}

void TDeBug::Write(std::string_view text) {
    try {
        if (!Enabled || !Active)
            return;
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (!localtime_r(&now, &local))
            return;
        char stamp[32] = {};
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        std::string line = "[";
        line += stamp;
        line += "] ";
        line += text;
        line += "\r\n";

        std::lock_guard<std::mutex> guard(lock_);
        std::string path = folder_.empty() ? std::string() : folder_ + "/";
        path += DayFileName(local);
        if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    } catch (...) {
        // An unwritable log, or no memory for the line, is not an error of
        // the program.
    }
}

TDeBug& GlobalDebug() {
    static TDeBug instance;
    return instance;
}

void Log(std::string_view text) { GlobalDebug().Write(text); }

} // namespace kel
