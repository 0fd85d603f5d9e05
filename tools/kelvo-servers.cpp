// Writes the hall-server list that kelvo_C.key hands to the client:
//   kelvo-servers APP_FOLDER HOST...     (at most 6 hosts)
//   kelvo-servers APP_FOLDER             (shows the current list)
#include <cstdio>
#include <fstream>
#include <string>

#include "config/ServerList.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvo-servers APP_FOLDER [HOST...]   (at most %d hosts)\n", kel::kMaxServers);
        return 2;
    }
    std::string file = std::string(argv[1]) + "/" + kel::kServerListFileName;
    if (argc == 2) {
        std::ifstream in(file);
        if (!in) {
            std::printf("%s: none, the provider hands out 127.0.0.1\n", file.c_str());
            return 0;
        }
        for (std::string line; std::getline(in, line);) std::printf("%s\n", line.c_str());
        return 0;
    }
    if (argc - 2 > kel::kMaxServers) {
        std::fprintf(stderr, "kelvo-servers: at most %d hosts\n", kel::kMaxServers);
        return 1;
    }
    std::string text = "# Hall servers handed to the client by kelvo_C.key, one a line.\n";
    for (int i = 2; i < argc; ++i) {
        std::string host = argv[i];
        if (host.empty() || host.size() > kel::kServerHostMax || host.find_first_of(" \t\r\n#") != std::string::npos) {
            std::fprintf(stderr, "kelvo-servers: \"%s\" is not a host name of at most %zu characters\n", argv[i],
                         kel::kServerHostMax);
            return 1;
        }
        text += host + "\n";
    }
    std::ofstream out(file, std::ios::trunc);
    out << text;
    if (!out) {
        std::fprintf(stderr, "kelvo-servers: cannot write %s\n", file.c_str());
        return 1;
    }
    return 0;
}
