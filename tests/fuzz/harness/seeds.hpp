#pragma once
// The seed corpora of the fuzz targets (tests/fuzz/make_seeds.cpp): written out by
// fuzz_seeds for the fuzzers, and replayed by the tests.
#include <string>
#include <utility>
#include <vector>

#include "support/fixtures.hpp"

namespace fuzzing {

struct Corpus {
    std::string target; // chp, voc, converter, wavepost, profile or import
    std::vector<std::pair<std::string, fixtures::Bytes>> seeds; // by name
};

std::vector<Corpus> SeedCorpora();

} // namespace fuzzing
