#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "audio/resample/filter_design.hpp"

namespace chpimport {

// The reference run loop without its dot products: which input frame makes an output and
// with which branch, in the same single-precision steps, so that a faster engine can work
// the whole sequence out first.
//
// The phase is counted in units of 1/L input frame: each output adds S, each frame takes L
// off, and it stays in [0, L + S). When S and L are whole multiples of one power of two u
// and L + S is below 2^24 u, as in both modes, every phase the loop reaches is a whole
// multiple of u with at most 24 significant bits: each single-precision step is then exact,
// and counting whole units of u in integers gives the same sequence without the float
// conversions on every frame. Otherwise the float steps are taken as the reference takes
// them.
class PhaseSchedule {
public:
    // `wholeUnits` false: always take the float steps (for tests).
    explicit PhaseSchedule(const ConverterMode& mode, bool wholeUnits = true)
        : branches_(mode.BranchCount), step_(mode.PhaseStep) {
        for (int shift = 0; wholeUnits && shift <= 30; ++shift) {
            const double l = std::ldexp(branches_, shift);
            const double s = std::ldexp(static_cast<double>(step_), shift);
            if (l != std::floor(l) || s != std::floor(s)) continue;
            if (l + s < 0x1p24 && l >= 1.0 && s >= 1.0) {
                exact_ = true;
                shift_ = shift;
                branchUnits_ = static_cast<std::int64_t>(l);
                stepUnits_ = static_cast<std::int64_t>(s);
                while ((std::int64_t{1} << frameShift_) < branchUnits_) ++frameShift_;
            }
            break;
        }
    }

    // Whether the phase is counted in whole units (see above).
    bool WholeUnits() const { return exact_; }

    // Whether At and OutputsBefore can be used: the phase counts in whole units and L is a
    // power of two of them, as in both modes.
    bool ClosedForm() const { return exact_ && (branchUnits_ & (branchUnits_ - 1)) == 0; }

    // Output n (counted from 0, the first output of the conversion) is made by the frame at
    // which n steps of S first reach past that frame's L: frame floor(n S / L), with what
    // the phase has left of the last L, n S mod L, choosing the branch. Only with
    // ClosedForm(), for a schedule that starts at phase 0.
    struct Output {
        std::int64_t frame;
        std::int32_t branch;
    };
    Output At(std::int64_t n) const {
        const std::int64_t units = n * stepUnits_;
        return {units >> frameShift_,
                static_cast<std::int32_t>((units & (branchUnits_ - 1)) >> shift_)};
    }
    // How far `outputs` later outputs lie from a whole number of frames, in branches (of
    // either sign): how much lanes that far apart drift off a shared branch.
    double Drift(std::int64_t outputs) const {
        std::int64_t units = (outputs * stepUnits_) & (branchUnits_ - 1);
        if (2 * units > branchUnits_) units -= branchUnits_;
        return std::ldexp(static_cast<double>(units), -shift_);
    }
    // How many outputs frames 0 .. frames - 1 make: those with n S < frames x L.
    std::int64_t OutputsBefore(std::int64_t frames) const {
        return (frames * branchUnits_ + stepUnits_ - 1) / stepUnits_;
    }

    // The phase is below S when a frame starts, so a frame makes at most ceil(L / S)
    // outputs: one in either mode.
    std::size_t MostOutputsPerFrame() const {
        return static_cast<std::size_t>(std::ceil(branches_ / step_));
    }

    // Hands each output that frames first .. first + count - 1 make, in order, to
    // `emit(frame, branch)`.
    template <typename Emit>
    void Frames(std::int64_t first, std::int64_t count, Emit&& emit) {
        const std::int64_t end = first + count;
        if (exact_) {
            std::int64_t units = units_;
            for (std::int64_t frame = first; frame < end; ++frame) {
                while (branchUnits_ > units) {
                    emit(frame, static_cast<std::int32_t>(units >> shift_));
                    units += stepUnits_;
                }
                units -= branchUnits_;
            }
            units_ = units;
            return;
        }
        float phase = phase_;
        for (std::int64_t frame = first; frame < end; ++frame) {
            while (branches_ > phase) {
                emit(frame, static_cast<std::int32_t>(phase));
                phase = static_cast<float>(static_cast<double>(phase) + step_);
            }
            phase = static_cast<float>(static_cast<double>(phase) - branches_);
        }
        phase_ = phase;
    }

private:
    double branches_;
    float step_;
    float phase_ = 0.0f;
    bool exact_ = false;
    int shift_ = 0;
    int frameShift_ = 0; // log2 of branchUnits_ (with ClosedForm())
    std::int64_t branchUnits_ = 0;
    std::int64_t stepUnits_ = 0;
    std::int64_t units_ = 0;
};

} // namespace chpimport
