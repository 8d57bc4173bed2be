#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace chpimport::cli {

// Exit statuses of the command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // ran, but something failed (listed on stderr)
inline constexpr int kExitUsage = 2;  // bad usage or an invalid project

// Hidden option of `resample` and `import`: convert with the reference engine instead of
// the fast one, for side-by-side timings (bench/compare.sh); the bytes are the same.
inline constexpr const char* kReferenceConverterOption = "--reference-converter";

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

using Args = std::vector<std::string>;

// Runs one command line (without the program name) and returns the exit status.
int Run(const Args& args, Streams io);

// The commands; `args` holds what follows the command's name.
int CmdInfo(const Args& args, Streams io);
int CmdDecode(const Args& args, Streams io);
int CmdResample(const Args& args, Streams io);
int CmdImport(const Args& args, Streams io);
int CmdReport(const Args& args, Streams io);

} // namespace chpimport::cli
