#pragma once
#include <cstdint>

namespace chpimport {

// The converter's low-pass filter: a Kaiser-windowed sinc cut into polyphase branches.
//
// Precision is part of the design's definition, because the table's values reach the output
// bytes: every formula is evaluated in double precision and rounded to single precision
// exactly where a value is stored (each variable below that is a float). Keeping to this on
// every compiler and platform is what makes every build write the same files.

inline constexpr float kPassbandPercent = 98.0f;
inline constexpr float kStopbandAttenuation = 100.0f; // dB

// The figures that one mode fixes; the ones below `OutputRate` come out of the design.
struct ConverterMode {
    std::int32_t BranchCount = 0;   // L
    float StepRatio = 0.0f;         // R: input frames per output sample
    std::uint32_t OutputRate = 0;   // Hz
    float PhaseStep = 0.0f;         // S = L x R, in units of 1/L input frame
    float TransitionWidth = 0.0f;   // the transition band, as a fraction of the L-fold input rate
    float Beta = 0.0f;              // Kaiser window parameter
    std::int32_t FilterLength = 0;  // N, as KaiserDesign returns it
    std::int32_t TapsPerBranch = 0; // T = N div L
    std::int32_t HalfLength = 0;    // H = (T x L) div 2, the index of the centre tap
};

// The two modes: ratio 2 to 11111 Hz with two branches, or the ratio nearest to 22222/11025
// with 1024 branches when the output must be Zuvan compatible (11025 Hz).
ConverterMode MakeConverterMode(bool zuvanCompatible);

// Kaiser's estimates: the window parameter for `attenuation` dB, stored into `beta`, and the
// (odd) filter length for a transition of `transitionWidth`.
std::int32_t KaiserDesign(float attenuation, float transitionWidth, float& beta);

// The modified Bessel function of the first kind of order zero, by its power series.
float BesselI0(float x);

// BesselI0 of x[0] .. x[count - 1] (count at most kBesselBatch), each series summed exactly
// as BesselI0 sums it, side by side: the processor then overlaps their chains of divisions,
// which one series at a time leaves waiting on each other.
inline constexpr int kBesselBatch = 8;
void BesselI0Batch(const float* x, float* out, int count);

// L rows of T coefficients; prototype entry i lies in row i mod L, column i div L. Column j
// of a row weights the input sample j frames back (column 0: the newest). Memory comes from
// AllocZeroed and goes back with FreeBlock, the rows in order and then the row array.
class PolyphaseTable {
public:
    PolyphaseTable(std::int32_t branchCount, std::int32_t tapsPerBranch);
    ~PolyphaseTable();
    PolyphaseTable(const PolyphaseTable&) = delete;
    PolyphaseTable& operator=(const PolyphaseTable&) = delete;

    std::int32_t BranchCount() const { return branchCount_; }
    std::int32_t TapsPerBranch() const { return tapsPerBranch_; }
    const float* Row(std::int32_t branch) const { return rows_[branch]; }
    // Prototype entry i, 0 <= i < L x T.
    float& Entry(std::int64_t i) { return rows_[i % branchCount_][i / branchCount_]; }
    float Entry(std::int64_t i) const { return rows_[i % branchCount_][i / branchCount_]; }

private:
    std::int32_t branchCount_;
    std::int32_t tapsPerBranch_;
    float** rows_;
};

// Fills the table with the prototype filter of `mode`: zero at index 0, the window times the
// sinc for 1 .. H-1, the centre tap 1.0 at H and the mirror image above it. The table must
// have the mode's L rows of T columns.
void DesignPolyphaseTable(const ConverterMode& mode, PolyphaseTable& table);

// The same in two steps, so that the costly first can be shared between threads: the
// window times the sinc for entries [first, end) of 1 .. H-1, each computed on its own;
// then, once all of those are in, the zero, the centre tap and the mirror image.
void DesignWindowedSinc(const ConverterMode& mode, PolyphaseTable& table, std::int32_t first,
                        std::int32_t end);
void CompletePrototype(const ConverterMode& mode, PolyphaseTable& table);

// DesignWindowedSinc with the Bessel series of several entries summed side by side
// (BesselI0Batch): the same entries, bit for bit, in half the time. The fast
// converter designs its tables with it; the reference keeps the one-at-a-time loop above.
void DesignWindowedSincBatched(const ConverterMode& mode, PolyphaseTable& table, std::int32_t first,
                               std::int32_t end);

} // namespace chpimport
