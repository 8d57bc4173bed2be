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

// What each command is given; the definitions of the options are in cli.cpp.
struct ImportOptions {
    std::vector<std::string> paths; // CHP files and folders
    bool zuvan = false;
    bool recursive = false;
    std::string output; // "": every output beside its source
    bool json = false;
    bool report = false; // a page per project beside its project file
    bool referenceConverter = false;
    unsigned jobs = 0; // projects imported at once; 0: as many as the machine has cores
};

struct ReportOptions {
    std::string path;
    std::string output; // the folder an import with --output wrote into; "": beside the sources
};

struct InfoOptions {
    std::string path;
    bool json = false;
};

struct DecodeOptions {
    std::string voc;
    std::string wave;
    bool blocks = false; // list the blocks met on stdout before the trailer
};

struct ResampleOptions {
    std::string input;
    std::string output;
    bool zuvan = false;
    int channel = -1; // -1: ask the console
    bool referenceConverter = false;
};

int CmdImport(const ImportOptions& options, Streams io);
int CmdReport(const ReportOptions& options, Streams io);
int CmdInfo(const InfoOptions& options, Streams io);
int CmdDecode(const DecodeOptions& options, Streams io);
int CmdResample(const ResampleOptions& options, Streams io);

} // namespace chpimport::cli
