#include "audio/resample/fast_kernels.hpp"

#include <initializer_list>

namespace chpimport {
namespace {

bool ProcessorHasAvx2() {
#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
    // Also checks that the system saves the AVX registers. The kernel fuses its
    // multiply-adds, so it needs FMA as well.
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

bool ProcessorHasAvx512() {
#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
    // Also checks that the system saves the AVX-512 registers.
    return __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

} // namespace

const GroupKernel* AvailableGroupKernel(KernelIsa isa) {
    switch (isa) {
    case KernelIsa::Scalar:
        return &ScalarGroupKernel();
    case KernelIsa::Sse2:
        return Sse2GroupKernel();
    case KernelIsa::Avx2:
        return ProcessorHasAvx2() ? Avx2GroupKernel() : nullptr;
    case KernelIsa::Avx512:
        return ProcessorHasAvx512() ? Avx512GroupKernel() : nullptr;
    }
    return nullptr;
}

const GroupKernel& BestGroupKernel() {
    static const GroupKernel& best = []() -> const GroupKernel& {
        for (KernelIsa isa : {KernelIsa::Avx512, KernelIsa::Avx2, KernelIsa::Sse2})
            if (const GroupKernel* kernel = AvailableGroupKernel(isa)) return *kernel;
        return ScalarGroupKernel();
    }();
    return best;
}

} // namespace chpimport
