#include "chp/message_length.hpp"

#include <cstdint>

namespace chpimport {
namespace {

constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

// significand x 2^exponent, the significand 0 or normalised to [2^63, 2^64): the value of
// an x87 extended-precision number.
struct Extended {
    std::uint64_t significand = 0;
    int exponent = 0;
};

// Rounds a value whose kept bits are `kept` and whose dropped part compares to half a unit
// of the last kept bit as `vsHalf` (<0, 0, >0), to nearest with ties to even.
Extended RoundKept(std::uint64_t kept, int exponent, int vsHalf) {
    if (vsHalf > 0 || (vsHalf == 0 && (kept & 1) != 0)) {
        ++kept;
        if (kept == 0) { // carried out of the top bit
            kept = kTopBit;
            ++exponent;
        }
    }
    return {kept, exponent};
}

// a / b rounded to 64 significant bits; b in 1 .. 2^62.
Extended Divide(std::uint64_t a, std::uint64_t b) {
    std::uint64_t q = a / b;
    std::uint64_t r = a % b;
    if (q == 0 && r == 0) return {};
    int exponent = 0;
    // Long division, one quotient bit at a time, until 64 significant bits are known.
    while (q < kTopBit) {
        r <<= 1;
        std::uint64_t bit = r >= b ? 1 : 0;
        r -= bit * b;
        q = (q << 1) | bit;
        --exponent;
    }
    // The remainder over b is the dropped fraction of a unit: compare it with one half.
    std::uint64_t twice = r << 1;
    return RoundKept(q, exponent, twice > b ? 1 : (twice == b ? 0 : -1));
}

int BitLength(std::uint64_t v) {
    int n = 0;
    while (v != 0) {
        v >>= 1;
        ++n;
    }
    return n;
}

// x times c rounded to 64 significant bits.
Extended Multiply(Extended x, std::uint32_t c) {
    if (x.significand == 0 || c == 0) return {};
    // The 96-bit product as hi:lo, from 32-bit halves.
    const std::uint64_t low = (x.significand & 0xFFFFFFFFu) * c;
    const std::uint64_t high = (x.significand >> 32) * c;
    const std::uint64_t lo = low + (high << 32);
    const std::uint64_t hi = (high >> 32) + (lo < low ? 1 : 0);
    if (hi == 0) return {lo, x.exponent};
    const int shift = BitLength(hi); // 1 .. 32
    const std::uint64_t kept = (hi << (64 - shift)) | (lo >> shift);
    const std::uint64_t dropped = lo & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    return RoundKept(kept, x.exponent + shift, dropped > half ? 1 : (dropped == half ? 0 : -1));
}

std::int64_t Truncate(Extended x) {
    if (x.significand == 0 || x.exponent <= -64) return 0;
    if (x.exponent >= 0) return INT64_MAX; // far beyond any duration; never reached
    return static_cast<std::int64_t>(x.significand >> -x.exponent);
}

} // namespace

std::int32_t OutputRate(bool zuvanCompatible) {
    return zuvanCompatible ? 11025 : 11111;
}

std::int16_t LengthInUnits(std::int16_t rowCount, std::int16_t divisor) {
    if (divisor <= 0) return 0;
    return static_cast<std::int16_t>(rowCount / divisor);
}

std::int32_t SampleCount(std::int16_t rowCount, std::int16_t rowMs, std::int16_t divisor,
                         std::int32_t rate) {
    if (divisor <= 0) return 0;
    const std::int64_t product = std::int64_t{rowCount} * rowMs * rate;
    return static_cast<std::int32_t>(product / (std::int64_t{divisor} * 1000));
}

std::int32_t DurationMs(std::int32_t sampleCount, std::int32_t rate) {
    if (sampleCount <= 0 || rate <= 0) return 0;
    Extended seconds =
        Divide(static_cast<std::uint64_t>(sampleCount), static_cast<std::uint64_t>(rate));
    return static_cast<std::int32_t>(Truncate(Multiply(seconds, 1000)));
}

MessageLength ComputeMessageLength(std::int16_t rowCount, const ChipInfo& chip, std::int32_t rate) {
    MessageLength result;
    if (rowCount < 0) return result;
    result.Length = LengthInUnits(rowCount, chip.Divisor);
    result.SampleCount = SampleCount(rowCount, chip.RowMs, chip.Divisor, rate);
    result.DurationMs = DurationMs(result.SampleCount, rate);
    return result;
}

} // namespace chpimport
