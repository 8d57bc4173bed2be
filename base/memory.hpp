#pragma once
#include <cstddef>

namespace chpimport {

// count x size bytes of zero-filled memory. When none can be had (or the size overflows)
// the process ends at once with exit status -1, showing nothing: the tool has no way to
// carry on without its filter table or copy buffer.
void* AllocZeroed(std::size_t count, std::size_t size);
void FreeBlock(void* block);

// Owns a block from AllocZeroed for the length of a scope.
template <typename T>
class ZeroedArray {
public:
    explicit ZeroedArray(std::size_t count)
        : data_(static_cast<T*>(AllocZeroed(count, sizeof(T)))), count_(count) {}
    ~ZeroedArray() { FreeBlock(data_); }
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    T* data() const { return data_; }
    std::size_t size() const { return count_; }
    T& operator[](std::size_t i) const { return data_[i]; }

private:
    T* data_;
    std::size_t count_;
};

} // namespace chpimport
