#include "audio/resample/resampler.hpp"

#include <utility>

namespace chpimport {

SampleRateConverter::SampleRateConverter(MessageSink& messages, KeyReader readKey)
    : messages_(&messages), readKey_(std::move(readKey)) {}

void SampleRateConverter::Fail(const char* message) {
    messages_->ShowMessage(message, kConverterCaption, kMbOk | kMbSystemModal);
    state_.ConvertFailed = true;
}

std::int32_t SampleRateConverter::ResampleWave(const std::string& inputPath,
                                               const std::string& outputPath,
                                               bool zuvanCompatible) {
    ConverterState& s = state_;
    s.ConvertFailed = false;
    s.InputTruncated = false;
    s.OutputAttempted = false;
    s.Mode = MakeConverterMode(zuvanCompatible);
    s.FrameCount = 1; // the first GETINPUT2 puts the real count here
    s.SamplesWritten = 0;

    const std::int32_t outputs = engine_->Run(*this, inputPath, outputPath);
    if (!s.ConvertFailed) FinishOutputWave(s.Mode.OutputRate);

    // After success and failure alike. Samples that never reached the disk fail the
    // conversion; closing the input is not examined.
    if (!s.OutputStream.Close() && !s.ConvertFailed) Fail(kMsgCannotWrite);
    s.InputStream.Close();
    CopyDisplayText(inputPath, outputPath);
    s.OutputStream = File();
    s.InputStream = File();
    return s.ConvertFailed ? 0 : outputs;
}

} // namespace chpimport
