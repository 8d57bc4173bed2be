#include "audio/resample/kernel_table.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "audio/resample/designed_tables.hpp"
#include "audio/resample/table_layout.hpp"
#include "base/bytes.hpp"

namespace chpimport {
namespace {

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

KernelTable::KernelTable(const ConverterMode& mode) : mode_(mode) {
    const std::int32_t taps = mode.TapsPerBranch;
    const std::int64_t branches = mode.BranchCount;
    const DesignedPrototype* built = FindBuiltInPrototype(mode);
    if (built != nullptr && built->rows != nullptr) {
        // Laid out at build time: read where the program was loaded, nothing to fill.
        rows_ = built->rows;
        normalRange_ = built->normalRange;
        return;
    }
    storage_ = LargeBlock(static_cast<std::size_t>(branches) * static_cast<std::size_t>(taps) *
                          sizeof(double));
    double* rows = reinterpret_cast<double*>(storage_.data());
    rows_ = rows;
    if (built != nullptr) {
        normalRange_ =
            LayOutPrototypeRows(built->half, mode.BranchCount, taps, mode.HalfLength, rows);
    } else {
        PolyphaseTable table(mode.BranchCount, taps);
        Design(mode, table);
        LayOut(rows, [&table, branches](std::int64_t i) {
            return table.Row(static_cast<std::int32_t>(i % branches))[i / branches];
        });
    }
}

template <typename Entry>
void KernelTable::LayOut(double* rows, Entry&& entry) {
    const std::int32_t taps = mode_.TapsPerBranch;
    const std::int64_t branches = mode_.BranchCount;
    normalRange_ = true;
    for (std::int64_t b = 0; b < branches; ++b) {
        double* row = rows + static_cast<std::size_t>(b) * static_cast<std::size_t>(taps);
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
