#include "audio/kernel_table.hpp"

#include <cmath>
#include <system_error>
#include <thread>

namespace chpimport {
namespace {

// Samples are whole numbers of magnitude at most 32768. With every non-zero coefficient at
// least 2^-103, each product, sum and rounding of a dot product is a whole multiple of the
// smallest coefficient's unit in the last place (2^-126 or more), so nothing non-zero falls
// below the normal single-precision range; with the magnitudes of a row summing to at most
// 2^100 nothing exceeds it either.
constexpr double kSmallestCoefficient = 0x1p-103;
constexpr double kLargestRowSum = 0x1p100;
constexpr double kLargestSample = 32768.0;

// Prototypes at least this long are designed on two threads.
constexpr std::int32_t kThreadedDesign = 4096;

// The reference design with its Bessel series summed side by side, the costly part shared
// with a second thread when the table is big (the Zuvan mode's 163,839 Bessel series) and
// the machine has a second core.
void Design(const ConverterMode& mode, PolyphaseTable& table) {
    const std::int32_t half = mode.HalfLength;
    const std::int32_t middle = half / 2;
    std::thread helper;
    if (half >= kThreadedDesign && std::thread::hardware_concurrency() >= 2) {
        try {
            helper = std::thread([&] { DesignWindowedSincBatched(mode, table, 1, middle); });
        } catch (const std::system_error&) {
        }
    }
    if (!helper.joinable()) DesignWindowedSincBatched(mode, table, 1, middle);
    DesignWindowedSincBatched(mode, table, middle, half);
    if (helper.joinable()) helper.join();
    CompletePrototype(mode, table);
}

} // namespace

KernelTable::KernelTable(const ConverterMode& mode)
    : mode_(mode), rows_(static_cast<std::size_t>(mode.BranchCount) *
                         static_cast<std::size_t>(mode.TapsPerBranch)) {
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    Design(mode, table);

    const std::int32_t taps = mode.TapsPerBranch;
    normalRange_ = true;
    for (std::int32_t b = 0; b < mode.BranchCount; ++b) {
        double* row = rows_.data() + static_cast<std::size_t>(b) * static_cast<std::size_t>(taps);
        double magnitude = 0.0;
        for (std::int32_t j = 0; j < taps; ++j) {
            const double c = table.Row(b)[taps - 1 - j];
            row[j] = c;
            magnitude += std::fabs(c);
            if (c != 0.0 && std::fabs(c) < kSmallestCoefficient) normalRange_ = false;
        }
        if (!(magnitude * kLargestSample <= kLargestRowSum)) normalRange_ = false;
    }
}

bool SameDesign(const ConverterMode& a, const ConverterMode& b) {
    return a.BranchCount == b.BranchCount && a.StepRatio == b.StepRatio &&
           a.PhaseStep == b.PhaseStep && a.TransitionWidth == b.TransitionWidth &&
           a.Beta == b.Beta && a.TapsPerBranch == b.TapsPerBranch && a.HalfLength == b.HalfLength;
}

KernelTableCache& KernelTableCache::Instance() {
    static KernelTableCache cache;
    return cache;
}

const KernelTable& KernelTableCache::ForMode(const ConverterMode& mode) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& table : tables_)
        if (SameDesign(table->Mode(), mode)) return *table;
    tables_.push_back(std::make_unique<KernelTable>(mode));
    return *tables_.back();
}

} // namespace chpimport
