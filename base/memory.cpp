#include "base/memory.hpp"

#include <cstdint>
#include <cstdlib>

namespace chpimport {

void* AllocZeroed(std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) std::exit(-1);
    // calloc(0, ...) may give null legitimately; ask for one byte so null always means failure.
    void* block = std::calloc(count == 0 || size == 0 ? 1 : count, size == 0 ? 1 : size);
    if (block == nullptr) std::exit(-1);
    return block;
}

void FreeBlock(void* block) {
    std::free(block);
}

} // namespace chpimport
