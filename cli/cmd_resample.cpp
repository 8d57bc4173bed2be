#include <ostream>

#include "audio/resampler.hpp"
#include "base/file.hpp"
#include "cli/cli.hpp"
#include "cli/console_key.hpp"
#include "cli/console_message_sink.hpp"

namespace chpimport::cli {
namespace {

constexpr const char* kUsage = "usage: chpimport resample IN.wav OUT.wav [--zuvan] [--channel N]\n";

struct ResampleOptions {
    std::string input;
    std::string output;
    bool zuvan = false;
    int channel = -1;                // -1: ask the console
    bool referenceConverter = false; // hidden: for side-by-side timings
};

bool ParseOptions(const Args& args, ResampleOptions& options) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--zuvan") {
            options.zuvan = true;
        } else if (args[i] == kReferenceConverterOption) {
            options.referenceConverter = true;
        } else if (args[i] == "--channel") {
            // A channel is chosen by its digit, as on the console: 0 to 9.
            if (++i == args.size() || args[i].size() != 1 || args[i][0] < '0' || args[i][0] > '9')
                return false;
            options.channel = args[i][0] - '0';
        } else if (args[i].rfind("--", 0) == 0) {
            return false;
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) return false;
    options.input = paths[0];
    options.output = paths[1];
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    return a == b || IsSameFile(a, b);
}

} // namespace

int CmdResample(const Args& args, Streams io) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        io.out << kUsage
               << "Converts IN.wav to 16-bit mono at 11111 Hz (11025 Hz with --zuvan) and\n"
                  "prints the number of samples written. --channel N takes channel N (from 0)\n"
                  "of a multi-channel input; without it the console is asked for a key.\n";
        return kExitOk;
    }
    ResampleOptions options;
    if (!ParseOptions(args, options)) {
        io.err << kUsage;
        return kExitUsage;
    }
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
