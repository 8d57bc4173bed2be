#pragma once
// A VOC file read front to back; every length it states is checked against what is left
// before anything is read or skipped for it.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/bytes.hpp"
#include "base/file.hpp"

namespace chpimport {

class VocReader {
public:
    explicit VocReader(File file) : file_(std::move(file)), size_(file_.Size()) {}

    bool Ok() const { return file_.IsOpen() && size_ >= 0; }
    const File& Stream() const { return file_; }
    std::int64_t Position() const { return position_; }
    std::int64_t Remaining() const { return size_ - position_; }

    // Up to `count` bytes; how many arrived.
    std::size_t ReadSome(void* buffer, std::size_t count) {
        count = static_cast<std::size_t>(std::min<std::int64_t>(
            static_cast<std::int64_t>(count), std::max<std::int64_t>(Remaining(), 0)));
        std::size_t got = file_.Read(buffer, count);
        position_ += static_cast<std::int64_t>(got);
        return got;
    }
    bool Read(void* buffer, std::size_t count) { return ReadSome(buffer, count) == count; }
    // Moves on by `count` bytes, or back when it is negative.
    bool Skip(std::int64_t count) {
        if (count > Remaining() || -count > position_ || !file_.Seek(count, SEEK_CUR)) return false;
        position_ += count;
        return true;
    }

private:
    File file_;
    std::int64_t size_;
    std::int64_t position_ = 0;
};

} // namespace chpimport
