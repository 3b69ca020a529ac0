// Writes the seed corpus of the surface-image fuzz target into a directory.
#include <cstdio>
#include <string>

#include "tests/fuzz/seeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    for (const qarnfuzz::Seed& s : qarnfuzz::Seeds()) {
        const std::string cPath = std::string(argv[1]) + "/" + s.cName + ".bmp";
        std::FILE* f = std::fopen(cPath.c_str(), "wb");
        if (f == nullptr || std::fwrite(s.bData.data(), 1, s.bData.size(), f) != s.bData.size() ||
            std::fclose(f) != 0) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], cPath.c_str());
            return 1;
        }
    }
    return 0;
}
