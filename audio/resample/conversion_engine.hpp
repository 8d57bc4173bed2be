#pragma once
#include <cstdint>
#include <string>

namespace chpimport {

class SampleRateConverter;

// The part of a conversion that can be done faster: the filter table and the loop that
// takes every input frame and makes every output sample. An engine reads and writes through
// the converter (or moves the same bytes in larger steps with the same failures), carries
// the history in its state, stops as soon as ConvertFailed is set, and returns the number of
// outputs made. It must write exactly the bytes the reference engine writes.
class ConversionEngine {
public:
    virtual ~ConversionEngine() = default;
    virtual std::int32_t Run(SampleRateConverter& converter, const std::string& inputPath,
                             const std::string& outputPath) = 0;
};

// The reference: the table designed afresh for every conversion, one FirDot per output and
// one ShiftHistory per input frame, one stream call per frame and per sample.
class ReferenceEngine final : public ConversionEngine {
public:
    std::int32_t Run(SampleRateConverter& converter, const std::string& inputPath,
                     const std::string& outputPath) override;
};

} // namespace chpimport
