#include "audio/resample/resampler.hpp"
#include "audio/wav_post.hpp"

namespace chpimport {

// The input's display text goes with the converted message, also after a failure; an input
// without one gives the output an empty text.
void SampleRateConverter::CopyDisplayText(const std::string& inputPath,
                                          const std::string& outputPath) {
    std::string text;
    ReadDispText(inputPath, text);
    // A conversion that failed before it created its output must not append to a file of
    // that name that it never wrote.
    if (state_.OutputAttempted) AppendDispChunk(outputPath, text);
}

} // namespace chpimport
