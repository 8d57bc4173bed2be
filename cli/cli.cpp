#include "cli/cli.hpp"

#include <ostream>

#include "audio/fast_kernels.hpp"

namespace chpimport::cli {
namespace {

struct Command {
    const char* name;
    const char* synopsis;
    int (*run)(const Args&, Streams);
};

const Command kCommands[] = {
    {"import", "import PROJECT.CHP [--zuvan]     import the whole project (WAV, .zpf, .tbl)",
     CmdImport},
    {"info", "info PROJECT.CHP                 show what the dialog's Browse shows", CmdInfo},
    {"decode",
     "decode MESSAGE.VOC OUT.wav [--blocks]\n"
     "                                   decode one message to 16-bit PCM, show its trailer\n"
     "                                   (and its blocks)",
     CmdDecode},
    {"resample",
     "resample IN.wav OUT.wav [--zuvan] [--channel N]\n"
     "                                   convert a WAV file to 11111 Hz (11025 Hz with --zuvan)",
     CmdResample},
};

void PrintUsage(std::ostream& os) {
    os << "usage: chpimport <command> [arguments]\n\ncommands:\n";
    for (const Command& command : kCommands) os << "  " << command.synopsis << "\n";
    os << "\n  --help     this text\n  --version  the program's version (and the converter kernel "
          "this processor runs)\n";
}

} // namespace

int Run(const Args& args, Streams io) {
    if (args.empty()) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(io.out);
        return kExitOk;
    }
    if (name == "--version") {
        io.out << "chpimport " << CHPIMPORT_VERSION << "\n"
               << "converter kernel: " << BestGroupKernel().name << "\n";
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (name == command.name) return command.run(Args(args.begin() + 1, args.end()), io);
    }
    io.err << "chpimport: unknown command '" << name << "'\n";
    PrintUsage(io.err);
    return kExitUsage;
}

} // namespace chpimport::cli
