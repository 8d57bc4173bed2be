#include "audio/resample/filter_design.hpp"

#include <algorithm>
#include <cmath>

#include "base/memory.hpp"

namespace chpimport {
namespace {

constexpr double kPi = 3.141592653589793;

// The single-precision value nearest to 22222/11025 (exactly representable as written).
constexpr float kZuvanStepRatio = 2.0156009197235107421875f;

} // namespace

ConverterMode MakeConverterMode(bool zuvanCompatible) {
    ConverterMode mode;
    mode.BranchCount = zuvanCompatible ? 1024 : 2;
    mode.StepRatio = zuvanCompatible ? kZuvanStepRatio : 2.0f;
    mode.OutputRate = zuvanCompatible ? 11025u : 11111u;

    const double branches = mode.BranchCount;
    mode.PhaseStep = static_cast<float>(branches * mode.StepRatio);
    const float passband = static_cast<float>(kPassbandPercent / (branches * 200.0));
    const float stopband = static_cast<float>((200.0 - kPassbandPercent) / (branches * 200.0));
    mode.TransitionWidth = static_cast<float>(static_cast<double>(stopband) - passband);

    mode.FilterLength = KaiserDesign(kStopbandAttenuation, mode.TransitionWidth, mode.Beta);
    mode.TapsPerBranch = mode.FilterLength / mode.BranchCount;
    mode.HalfLength = mode.TapsPerBranch * mode.BranchCount / 2;
    return mode;
}

std::int32_t KaiserDesign(float attenuation, float transitionWidth, float& beta) {
    const double a = attenuation;
    beta = 0.0f;
    if (attenuation >= 50.0f) {
        beta = static_cast<float>(0.1102 * (a - 8.71));
    } else if (attenuation >= 21.0f) {
        beta = static_cast<float>(0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0));
    }
    const double half = std::trunc((a - 8.0f) / (28.72 * transitionWidth));
    return static_cast<std::int32_t>(2 * half + 1);
}

float BesselI0(float x) {
    float sum = 1.0f;
    float term = 1.0f;
    std::int32_t k = 0;
    do {
        k += 2;
        term = static_cast<float>(static_cast<double>(term) * x * x / (static_cast<double>(k) * k));
        sum = static_cast<float>(static_cast<double>(sum) + term);
    } while (!(term <= 1e-7 * sum));
    return sum;
}

void BesselI0Batch(const float* x, float* out, int count) {
    // Every lane takes every step, without branches; a finished series keeps its sum and
    // its term.
    float sum[kBesselBatch];
    float term[kBesselBatch];
    float arg[kBesselBatch];
    bool open[kBesselBatch];
    for (int i = 0; i < kBesselBatch; ++i) {
        sum[i] = 1.0f;
        term[i] = 1.0f;
        arg[i] = i < count ? x[i] : 0.0f;
        open[i] = i < count;
    }
    std::int32_t k = 0;
    for (bool any = count > 0; any;) {
        k += 2;
        any = false;
        for (int i = 0; i < kBesselBatch; ++i) {
            const auto t = static_cast<float>(static_cast<double>(term[i]) * arg[i] * arg[i] /
                                              (static_cast<double>(k) * k));
            const auto s = static_cast<float>(static_cast<double>(sum[i]) + t);
            term[i] = open[i] ? t : term[i];
            sum[i] = open[i] ? s : sum[i];
            open[i] = open[i] && !(t <= 1e-7 * s);
            any = any || open[i];
        }
    }
    for (int i = 0; i < count; ++i) out[i] = sum[i];
}

PolyphaseTable::PolyphaseTable(std::int32_t branchCount, std::int32_t tapsPerBranch)
    : branchCount_(branchCount), tapsPerBranch_(tapsPerBranch),
      rows_(static_cast<float**>(
          AllocZeroed(static_cast<std::size_t>(branchCount), sizeof(float*)))) {
    for (std::int32_t b = 0; b < branchCount_; ++b)
        rows_[b] = static_cast<float*>(
            AllocZeroed(static_cast<std::size_t>(tapsPerBranch), sizeof(float)));
}

PolyphaseTable::~PolyphaseTable() {
    for (std::int32_t b = 0; b < branchCount_; ++b) FreeBlock(rows_[b]);
    FreeBlock(rows_);
}

void DesignPolyphaseTable(const ConverterMode& mode, PolyphaseTable& table) {
    DesignWindowedSinc(mode, table, 1, mode.HalfLength);
    CompletePrototype(mode, table);
}

namespace {

// One entry of the windowed sinc in two halves: the Kaiser window's Bessel argument, then
// the entry from that argument's Bessel value. The per-entry and the batched design share
// them, so both round every step alike.
class WindowedSincTerms {
public:
    explicit WindowedSincTerms(const ConverterMode& mode)
        : mode_(mode), g_(static_cast<float>(1.0 / BesselI0(mode.Beta))),
          u_(static_cast<float>(1.0 / mode.HalfLength)),
          v_(static_cast<float>(kPi / mode.PhaseStep)) {}

    float BesselArgument(std::int32_t k) const {
        const double n = mode_.HalfLength - k;
        const float q = static_cast<float>(n * u_);
        return static_cast<float>(mode_.Beta *
                                  std::sqrt(1.0 - static_cast<double>(q) * static_cast<double>(q)));
    }

    float Entry(std::int32_t k, float bessel) const {
        const double n = mode_.HalfLength - k;
        const float w = static_cast<float>(static_cast<double>(bessel) * g_);
        const float s = static_cast<float>(std::sin(n * v_) * mode_.PhaseStep / (n * kPi));
        return static_cast<float>(static_cast<double>(w) * s);
    }

private:
    const ConverterMode& mode_;
    float g_;
    float u_;
    float v_;
};

} // namespace

void DesignWindowedSinc(const ConverterMode& mode, PolyphaseTable& table, std::int32_t first,
                        std::int32_t end) {
    const WindowedSincTerms terms(mode);
    for (std::int32_t k = first; k < end; ++k)
        table.Entry(k) = terms.Entry(k, BesselI0(terms.BesselArgument(k)));
}

void DesignWindowedSincBatched(const ConverterMode& mode, PolyphaseTable& table, std::int32_t first,
                               std::int32_t end) {
    const WindowedSincTerms terms(mode);
    for (std::int32_t batch = first; batch < end; batch += kBesselBatch) {
        const int count = std::min<std::int32_t>(kBesselBatch, end - batch);
        float a[kBesselBatch];
        float bessel[kBesselBatch];
        for (int i = 0; i < count; ++i) a[i] = terms.BesselArgument(batch + i);
        BesselI0Batch(a, bessel, count);
        for (int i = 0; i < count; ++i) table.Entry(batch + i) = terms.Entry(batch + i, bessel[i]);
    }
}

void CompletePrototype(const ConverterMode& mode, PolyphaseTable& table) {
    const std::int32_t half = mode.HalfLength;
    table.Entry(0) = 0.0f;
    table.Entry(half) = 1.0f;
    for (std::int32_t k = 1; k < half; ++k) table.Entry(half + k) = table.Entry(half - k);
}

} // namespace chpimport
