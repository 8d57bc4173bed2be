#include <ostream>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "cli/cli.hpp"
#include "cli/console_key.hpp"
#include "cli/console_message_sink.hpp"

namespace chpimport::cli {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
    return a == b || IsSameFile(a, b);
}

} // namespace

int CmdResample(const ResampleOptions& options, Streams io) {
    // The output is created while the input is still being read.
    if (SameFile(options.input, options.output)) {
        io.err << "chpimport: IN.wav and OUT.wav must be different files\n";
        return kExitUsage;
    }

    ConsoleMessageSink messages(io.err);
    SampleRateConverter::KeyReader readKey = ReadConsoleKey;
    if (options.channel >= 0) {
        // The given digit, once; asked again means the input has no such channel, and the
        // converter then ends as it does without console input.
        readKey = [&io, channel = options.channel, asked = false]() mutable {
            if (asked) {
                io.err << "chpimport: the input has no channel " << channel << "\n";
                io.err.flush();
                return -1;
            }
            asked = true;
            return '0' + channel;
        };
    }
    SampleRateConverter converter(messages, readKey);
    if (options.referenceConverter) converter.SetEngine(converter.Reference());
    const std::int32_t samples =
        converter.ResampleWave(options.input, options.output, options.zuvan);
    if (samples == 0) {
        const ConverterState& state = converter.State();
        if (state.InputTruncated)
            io.err << "chpimport: " << options.input
                   << ": the data chunk ends before its last frame; " << options.output
                   << " holds the " << state.SamplesWritten << " samples converted before\n";
        return kExitFailed;
    }
    io.out << samples << "\n";
    return kExitOk;
}

} // namespace chpimport::cli
