#include "audio/resample/kernel_table.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "audio/resample/designed_tables.hpp"
#include "base/bytes.hpp"

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

// A coefficient the wide kernels' rounding can take, and a row whose magnitudes sum to
// `magnitude`.
bool NormalCoefficient(double c) {
    return !(c != 0.0 && std::fabs(c) < kSmallestCoefficient);
}
bool NormalRow(double magnitude) {
    return magnitude * kLargestSample <= kLargestRowSum;
}

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
                         static_cast<std::size_t>(mode.TapsPerBranch) * sizeof(double)) {
    const std::int32_t taps = mode.TapsPerBranch;
    const std::int64_t branches = mode.BranchCount;
    if (const DesignedPrototype* built = FindBuiltInPrototype(mode)) {
        LayOutBuiltIn(*built);
    } else {
        PolyphaseTable table(mode.BranchCount, taps);
        Design(mode, table);
        LayOut([&table, branches](std::int64_t i) {
            return table.Row(static_cast<std::int32_t>(i % branches))[i / branches];
        });
    }
}

template <typename Entry>
void KernelTable::LayOut(Entry&& entry) {
    const std::int32_t taps = mode_.TapsPerBranch;
    const std::int64_t branches = mode_.BranchCount;
    normalRange_ = true;
    for (std::int64_t b = 0; b < branches; ++b) {
        double* row = Rows() + static_cast<std::size_t>(b) * static_cast<std::size_t>(taps);
        double magnitude = 0.0;
        for (std::int32_t j = 0; j < taps; ++j) {
            // Column T - 1 - j of branch b is prototype entry b + L x (T - 1 - j).
            const double c = entry(b + branches * (taps - 1 - j));
            row[j] = c;
            magnitude += std::fabs(c);
            if (!NormalCoefficient(c)) normalRange_ = false;
        }
        if (!NormalRow(magnitude)) normalRange_ = false;
    }
}

void KernelTable::LayOutBuiltIn(const DesignedPrototype& built) {
    // Entries 0 .. H of the prototype: 0, the windowed sinc, 1.0 at the centre; entry i above
    // H is entry 2H - i. The range check of the values is made once, here.
    const std::int64_t half = mode_.HalfLength;
    const std::unique_ptr<float[]> centre(new float[static_cast<std::size_t>(half) + 1]);
    centre[0] = 0.0f;
    std::memcpy(&centre[1], built.half, static_cast<std::size_t>(half - 1) * sizeof(float));
    centre[static_cast<std::size_t>(half)] = 1.0f;
    normalRange_ = true;
    for (std::int64_t m = 1; m < half; ++m)
        if (!NormalCoefficient(centre[static_cast<std::size_t>(m)])) normalRange_ = false;
    // Column T - 1 - k of every row b holds entry b + L x k: column by column, the entries
    // are read in order (forwards up to H, backwards after it) and each row's magnitude is
    // summed from column 0 up, as LayOut sums it.
    const std::int32_t taps = mode_.TapsPerBranch;
    const std::int64_t branches = mode_.BranchCount;
    std::vector<double> magnitude(static_cast<std::size_t>(branches), 0.0);
    double* rows = Rows();
    for (std::int32_t column = 0; column < taps; ++column) {
        const std::int64_t first = branches * (taps - 1 - column); // entry of row 0
        const std::int64_t below = std::clamp<std::int64_t>(half + 1 - first, 0, branches);
        auto put = [&](std::int64_t b, float value) {
            const double c = value;
            rows[static_cast<std::size_t>(b * taps + column)] = c;
            magnitude[static_cast<std::size_t>(b)] += std::fabs(c);
        };
        for (std::int64_t b = 0; b < below; ++b)
            put(b, centre[static_cast<std::size_t>(first + b)]);
        for (std::int64_t b = below; b < branches; ++b)
            put(b, centre[static_cast<std::size_t>(2 * half - first - b)]);
    }
    for (const double m : magnitude)
        if (!NormalRow(m)) normalRange_ = false;
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
