#include "base/large_block.hpp"

#include <cstdlib>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace chpimport {
namespace {

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#endif

} // namespace

LargeBlock::LargeBlock(std::size_t bytes, BlockUse use) : size_(bytes) {
    void* block = nullptr;
#if defined(__linux__)
    // Whole, aligned huge pages, for a block that fills at least half of one (a smaller
    // block would pay for clearing a whole huge page); the system falls back to small pages
    // when it has none.
    if (bytes < kHugePage / 2 || use == BlockUse::Part) {
        block = std::malloc(bytes == 0 ? 1 : bytes);
    } else if (bytes <= SIZE_MAX - kHugePage) {
        const std::size_t whole = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (posix_memalign(&block, kHugePage, whole) == 0)
            madvise(block, whole, MADV_HUGEPAGE); // a hint: its failure changes nothing
        else
            block = nullptr;
    }
#else
    (void)use;
    block = std::malloc(bytes == 0 ? 1 : bytes);
#endif
    if (block == nullptr) std::exit(-1);
    data_ = static_cast<std::uint8_t*>(block);
}

LargeBlock::~LargeBlock() {
    std::free(data_);
}

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

} // namespace chpimport
