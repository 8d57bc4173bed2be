#pragma once
#include <cstddef>
#include <cstdint>

#include "audio/resample/filter_design.hpp"

namespace chpimport {

// Prototype filters designed when the program was built, by the same design code it runs
// (for a cross-build: run under the target's emulator, so with the target's own maths
// library), and built into the program: a conversion then starts without designing its
// table. A mode's table is the same whenever it is designed, so nothing is lost.
struct DesignedPrototype {
    // The mode it was designed for, as SameDesign compares modes; floats as their bits.
    std::int32_t branchCount;
    std::int32_t tapsPerBranch;
    std::int32_t halfLength;
    std::uint32_t stepRatio;
    std::uint32_t phaseStep;
    std::uint32_t transitionWidth;
    std::uint32_t beta;
    // Prototype entries 1 .. H - 1 (the windowed sinc), as float bits; the rest follows
    // from them: 0 at index 0, 1.0 at H, the mirror image above.
    const std::uint32_t* half;
    // The whole table laid out as the kernels read it (KernelTable), built in for the big
    // Zuvan table alone, whose layout at run time was a sixth of a short conversion; null
    // otherwise. `normalRange` is its range check.
    const double* rows;
    bool normalRange;
};

// The prototypes built in: none where the build could not run the design.
const DesignedPrototype* BuiltInPrototypes(std::size_t& count);

// The built-in prototype for `mode`, or null.
const DesignedPrototype* FindBuiltInPrototype(const ConverterMode& mode);

} // namespace chpimport
