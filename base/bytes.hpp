#pragma once
// Little-endian fields of the file formats (VOC, RIFF/WAV, CHP): read from and written to
// byte buffers, whatever the host's byte order.
#include <cstdint>
#include <cstring>

namespace chpimport {

// std::bit_cast, which the C++ library of the browser build lacks.
template <class To, class From>
To BitCast(const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

inline std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t Le24(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16;
}

inline std::uint32_t Le32(const unsigned char* p) {
    return Le24(p) | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void PutLe16(unsigned char* p, std::uint16_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

inline void PutLe32(unsigned char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace chpimport
