// Builds Gift.dat from its readable source: giftdat Gift.csv Gift.dat
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "config/GiftCsv.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: giftdat SOURCE.csv OUT.dat\n");
        return 2;
    }
    std::vector<kel::TGiftInfo> gifts;
    std::string error;
    if (!kel::ReadGiftCsv(argv[1], gifts, error)) {
        std::fprintf(stderr, "giftdat: %s\n", error.c_str());
        return 1;
    }
    std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        for (const kel::TGiftInfo& g : gifts) {
            std::vector<uint8_t> rec = kel::EncodeGiftRecord(g);
            out.write(reinterpret_cast<const char*>(rec.data()), static_cast<std::streamsize>(rec.size()));
        }
        if (!out) {
            std::fprintf(stderr, "giftdat: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "giftdat: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
