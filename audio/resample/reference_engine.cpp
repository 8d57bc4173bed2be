#include "audio/resample/resampler.hpp"

namespace chpimport {

std::int32_t ReferenceEngine::Run(SampleRateConverter& converter, const std::string& inputPath,
                                  const std::string& outputPath) {
    ConverterState& s = converter.State();
    const ConverterMode& mode = s.Mode;
    PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    DesignPolyphaseTable(mode, table);

    const std::int32_t taps = mode.TapsPerBranch;
    const double branches = mode.BranchCount;
    float phase = 0.0f;        // in units of 1/L input frame; below L whenever a branch is chosen
    std::uint32_t outputs = 0; // wraps rather than overflows on a 4 GiB input
    for (std::uint32_t consumed = 0; consumed < s.FrameCount; ++consumed) {
        const float x = converter.GETINPUT2(inputPath);
        if (s.ConvertFailed) return static_cast<std::int32_t>(outputs);
        while (branches > phase) {
            const auto branch = static_cast<std::int32_t>(phase);
            const float y = FirDot(x, table.Row(branch), taps, s.FirHistory.data());
            converter.SENDOUT2(y, outputPath);
            if (s.ConvertFailed) return static_cast<std::int32_t>(outputs);
            ++outputs;
            phase = static_cast<float>(static_cast<double>(phase) + mode.PhaseStep);
        }
        phase = static_cast<float>(static_cast<double>(phase) - branches);
        ShiftHistory(x, taps, s.FirHistory.data());
    }
    return static_cast<std::int32_t>(outputs);
}

} // namespace chpimport
