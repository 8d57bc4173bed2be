// Writes the seed corpus of every fuzz target:
//   fuzz_seeds DIR     DIR/<target>/<seed> for the targets chp, voc, converter, wavepost,
//                      profile and import
#include <cstdio>
#include <filesystem>

#include "fuzz/harness/seeds.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (const fuzzing::Corpus& corpus : fuzzing::SeedCorpora()) {
        std::filesystem::create_directories(root / corpus.target);
        for (const auto& [name, bytes] : corpus.seeds)
            fixtures::WriteFile(root / corpus.target / name, bytes);
    }
    return 0;
}
