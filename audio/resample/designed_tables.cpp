#include "audio/resample/designed_tables.hpp"

#include "base/bytes.hpp"

namespace chpimport {

const DesignedPrototype* FindBuiltInPrototype(const ConverterMode& mode) {
    std::size_t count = 0;
    const DesignedPrototype* prototypes = BuiltInPrototypes(count);
    for (std::size_t i = 0; i < count; ++i) {
        const DesignedPrototype& p = prototypes[i];
        if (p.branchCount == mode.BranchCount && p.tapsPerBranch == mode.TapsPerBranch &&
            p.halfLength == mode.HalfLength &&
            p.stepRatio == BitCast<std::uint32_t>(mode.StepRatio) &&
            p.phaseStep == BitCast<std::uint32_t>(mode.PhaseStep) &&
            p.transitionWidth == BitCast<std::uint32_t>(mode.TransitionWidth) &&
            p.beta == BitCast<std::uint32_t>(mode.Beta))
            return &p;
    }
    return nullptr;
}

} // namespace chpimport
