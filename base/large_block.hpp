#pragma once
#include <cstddef>
#include <cstdint>

namespace chpimport {

// Memory for large buffers that are put to use all at once (the converter's filter table,
// its sample ring). Where the system offers pages larger than the usual 4 KiB (Linux's
// transparent huge pages) a block of a megabyte or more asks for them: its first use then
// costs a page fault per 2 MiB instead of one per 4 KiB, which on some virtual machines is
// most of a short conversion. A block of which only a part will be touched (a short input's
// share of a ring made for long ones) keeps the small pages: the system then maps and clears
// only what is touched, where a huge page is cleared whole at the first touch. The memory is
// not cleared. When none can be had the process ends at once with exit status -1, as with
// AllocZeroed.
enum class BlockUse { Whole, Part };

class LargeBlock {
public:
    LargeBlock() = default;
    explicit LargeBlock(std::size_t bytes, BlockUse use = BlockUse::Whole);
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace chpimport
