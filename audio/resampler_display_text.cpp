#include "audio/resampler.hpp"

namespace chpimport {

// Placeholder until the display-text operations are merged.
void SampleRateConverter::CopyDisplayText(const std::string&, const std::string&) {}

} // namespace chpimport
