// One libFuzzer target: FUZZ_HARNESS names the harness it runs (see harness/harness.hpp).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/harness/harness.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string broken = fuzzing::FUZZ_HARNESS(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "\n*** rule broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
