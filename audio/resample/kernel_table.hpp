#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/resample/designed_tables.hpp"
#include "audio/resample/filter_design.hpp"
#include "base/large_block.hpp"

namespace chpimport {

// The polyphase table of one mode, designed by the reference design code (at build time where
// the program has it built in, see designed_tables.hpp) and laid out for the fast kernels: each
// branch's row reversed, so that column j weights the j-th oldest sample of an output's window, and
// widened to double, which is exact. A kernel then walks an output's window and its row in the same
// direction, oldest sample first.
class KernelTable {
public:
    explicit KernelTable(const ConverterMode& mode);
    KernelTable(const KernelTable&) = delete;
    KernelTable& operator=(const KernelTable&) = delete;

    const ConverterMode& Mode() const { return mode_; }
    std::int32_t Taps() const { return mode_.TapsPerBranch; }
    // Row(b)[j] is column T - 1 - j of branch b.
    const double* Row(std::int32_t branch) const {
        return Rows() + static_cast<std::size_t>(branch) * static_cast<std::size_t>(Taps());
    }
    // Whether every value a dot product can reach is zero or a normal single-precision
    // number, which the wide kernels' rounding needs (see fast_kernels.hpp).
    bool NormalRange() const { return normalRange_; }

private:
    // Fills `rows` from entry(i), prototype entry i, and checks their range.
    template <typename Entry>
    void LayOut(double* rows, Entry&& entry);
    const double* Rows() const { return rows_; }

    ConverterMode mode_;
    const double* rows_ = nullptr; // built in, or in storage_
    LargeBlock storage_;           // filled whole at once: the Zuvan mode's 2.6 MB
    bool normalRange_ = false;
};

// Whether two modes design the same table.
bool SameDesign(const ConverterMode& a, const ConverterMode& b);

// The tables designed in this process, one per mode: the table depends on the mode alone,
// so it is designed on first use and kept until the process ends. Safe to use from several
// threads.
class KernelTableCache {
public:
    static KernelTableCache& Instance();
    const KernelTable& ForMode(const ConverterMode& mode);

private:
    KernelTableCache() = default;
    std::mutex mutex_;
    std::vector<std::unique_ptr<KernelTable>> tables_;
};

} // namespace chpimport
