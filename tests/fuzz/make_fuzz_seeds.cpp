// Writes the fuzz target's seed corpus into the folder given as the only argument (made if missing).
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz_seeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    const int written = WriteSeedCorpus(std::string(argv[1]) + "/");
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return written > 0 ? 0 : 1;
}
