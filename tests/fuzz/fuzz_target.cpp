// One libFuzzer target: FUZZ_HARNESS names the harness it runs (see harness/harness.hpp).
// Its files live in memory, unless CHPIMPORT_FUZZ_DIR names a folder on the disk for them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/memory_file_system.hpp"
#include "fuzz/harness/harness.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* disk = std::getenv("CHPIMPORT_FUZZ_DIR");
    if (disk == nullptr || *disk == '\0') {
        static chpimport::MemoryFileSystem memory;
        chpimport::UseFileSystem(&memory);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string broken = fuzzing::FUZZ_HARNESS(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "\n*** rule broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
