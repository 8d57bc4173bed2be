#pragma once
// Runs one chpimport command line in-process and keeps what it printed.
#include <sstream>
#include <string>

#include "cli/cli.hpp"

namespace fixtures {

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

inline CliResult RunCli(const chpimport::cli::Args& args) {
    std::ostringstream out, err;
    int status = chpimport::cli::Run(args, {out, err});
    return {status, out.str(), err.str()};
}

} // namespace fixtures
