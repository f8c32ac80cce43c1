// Writes our sound bank: tovana_makesounds OUTPUT_FILE. The build runs it so that
// "sounds.dat" lands beside the program.
#include "bankwriter.h"
#include "soundbank.h"

#include "common/atomic_file.h"
#include "common/tov_error.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    const std::vector<uint8_t> bank = tov::tools::writeBank(tov::tools::tovanaBank());
    try {
        tov::files::writeFileAtomically(
            argv[1], std::string_view(reinterpret_cast<const char*>(bank.data()), bank.size()));
    } catch (const tov::TovError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
