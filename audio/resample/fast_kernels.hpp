#pragma once
// The fast converter's dot-product kernels. Each computes several outputs at once, one per
// lane, and keeps within every lane exactly the arithmetic of FirDot: the products in
// double precision (exact for two floats), the terms added oldest sample first, each sum
// rounded to double and then to single precision. Only the lanes run side by side.
//
// The wide kernels keep their accumulators as doubles and round them to single precision
// without converting: they add and take off a power of two chosen from the value's own
// exponent (see the SSE2 kernel). That is the conversion to float and back for every normal
// value, which is all a dot product can reach when its table's NormalRange() holds, except
// that a zero always comes out +0. A wide kernel's value may therefore be +0 where FirDot's
// is -0: equal as floats, and the same output sample.
//
// This header is included by the AVX2 and AVX-512 kernels' files, which are compiled for
// those instruction sets: it must hold declarations and plain data only, no inline code
// another file could share.
#include <cstddef>
#include <cstdint>

namespace chpimport {

// The double bits a wide kernel's rounding keeps of a value (sign and exponent), and 29
// added to the exponent field.
inline constexpr std::int64_t kSignAndExponent = static_cast<std::int64_t>(0xFFF0000000000000u);
inline constexpr std::int64_t kExponent29 = std::int64_t{29} << 52;

// Up to eight outputs that are computed together. Their windows lie in one interleaved
// sample array: the value for tap j (the j-th oldest sample) of lane k is
// window[j * lanes + k]. Lane 0 uses rowA; lane k uses rowC when bit k of useC is set, else
// rowB when bit k of useB is set, else rowA (useC only for kernels of three rows). Rows are
// reversed as KernelTable lays them out.
struct LaneGroup {
    const double* window;
    const double* rowA;
    const double* rowB;
    const double* rowC;
    std::uint32_t useB;
    std::uint32_t useC;
};

// Computes `count` groups with `taps` (at least 2) terms each: out[g * lanes + k] is lane k
// of group g.
using GroupKernelFn = void (*)(const LaneGroup* groups, std::size_t count, std::int32_t taps,
                               float* out);

enum class KernelIsa { Scalar, Sse2, Avx2, Avx512 };

struct GroupKernel {
    KernelIsa isa;
    const char* name;
    std::int32_t lanes;
    std::int32_t rows; // the most rows one group's lanes may use: 2, or 3 (useC)
    GroupKernelFn run;
};

// Plain C++: one lane, eight outputs interleaved; the casts round as FirDot's do.
const GroupKernel& ScalarGroupKernel();
// Two lanes in SSE2 registers, which every x86-64 processor has; null elsewhere.
const GroupKernel* Sse2GroupKernel();
// Four lanes in AVX2 registers; null where it is not built. Run it only where the processor
// has AVX2.
const GroupKernel* Avx2GroupKernel();
// Eight lanes in AVX-512 registers; null where it is not built. Run it only where the
// processor has AVX-512F.
const GroupKernel* Avx512GroupKernel();

// The kernel of `isa` when this build has it and the processor can run it, else null.
const GroupKernel* AvailableGroupKernel(KernelIsa isa);
// The widest kernel available, chosen once.
const GroupKernel& BestGroupKernel();

} // namespace chpimport
