#pragma once
#include <cstdint>
#include <string>

#include "audio/resample/conversion_engine.hpp"
#include "audio/resample/fast_filter.hpp"
#include "audio/resample/fast_kernels.hpp"
#include "base/helper_thread.hpp"
#include "base/large_block.hpp"

namespace chpimport {

class SampleRateConverter;

// The converter's fast engine: the same bytes as ReferenceEngine, in both modes, with the
// same history left behind and the same failures, at a fraction of the cost. The filter
// table comes from KernelTableCache (made once per mode and process). Input is read in
// blocks into a ring of samples; as soon as the frames of a span of outputs are in, its
// outputs (whose frames and branches follow from the phase schedule in closed form) are
// computed several at once by the widest kernel the processor has, in shares that both
// cores take as they come, while the input goes on being read and finished spans written.
// The history lives in the ring, so nothing shifts per frame.
//
// The first frame and the first output still go through GETINPUT2 and SENDOUT2, which open
// and validate the input and create the output. A block that reads or writes short stops
// the conversion exactly where the reference's one-frame read or one-sample write would:
// at the first frame the input does not hold whole, or at the first sample whose two bytes
// were not all written.
class FastEngine final : public ConversionEngine {
public:
    // The widest kernel available, on up to two threads.
    FastEngine();

    std::int32_t Run(SampleRateConverter& converter, const std::string& inputPath,
                     const std::string& outputPath) override;

    // For tests and benchmarks: the kernel to use (one that AvailableGroupKernel gives) and
    // the most threads a conversion may use (at least 1).
    void SetKernel(const GroupKernel& kernel) { kernel_ = &kernel; }
    const GroupKernel& Kernel() const { return *kernel_; }
    void SetMaxThreads(std::int32_t threads) { maxThreads_ = threads < 1 ? 1 : threads; }
    std::int32_t MaxThreads() const { return maxThreads_; }
    // How many conversions it has handed to the reference engine (see Run).
    std::int64_t HandedOver() const { return handedOver_; }

    // The buffers of a conversion, kept from one to the next: the long-lived converter then
    // allocates (and the system maps) them once.
    struct Buffers {
        LargeBlock block; // the ring, the spans' output samples, both threads' scratch
        const KernelTable* placedFor = nullptr; // the table the scratch is placed for
        LargeBlock raw; // the frames' bytes, where they are not their samples
        FilterScratch scratch[2];
    };

private:
    const GroupKernel* kernel_;
    std::int32_t maxThreads_;
    std::int64_t handedOver_ = 0;
    std::int64_t conversions_ = 0; // handed to a FastConversion
    Buffers buffers_;
    HelperThread helper_;
};

} // namespace chpimport
