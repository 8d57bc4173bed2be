#pragma once
#include <cstddef>

namespace chpimport {

// Texts and paths live in 256-character buffers in the tool's file formats and dialog:
// 255 characters and a terminator. Anything longer is refused, never cut short.
inline constexpr std::size_t kMaxText = 255;

} // namespace chpimport
