// Packs a skin folder (skin.qss and its images) into a .skn bundle:
//   skinpack FOLDER OUT.skn
#include <cstdio>
#include <fstream>
#include <string>

#include "config/SkinBundle.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: skinpack FOLDER OUT.skn\n");
        return 2;
    }
    auto skin = kel::ReadSkinFolder(argv[1]);
    if (!skin) {
        std::fprintf(stderr, "skinpack: %s holds no skin.qss or cannot be read\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> bytes = kel::PackSkin(*skin);
    std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (bytes.empty() || !out) {
            std::fprintf(stderr, "skinpack: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "skinpack: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
