// Designs the converter's prototype filters, in both modes, with the reference design code,
// and writes them as a C++ source file that defines BuiltInPrototypes (designed_tables.hpp).
// Run by the build, on the target (or under its emulator), so that the tables are the ones
// the program itself would design.
//
// Usage: tablegen OUT.cpp
#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/resample/filter_design.hpp"

namespace {

bool WritePrototype(std::FILE* out, const chpimport::ConverterMode& mode, const char* name) {
    chpimport::PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    chpimport::DesignPolyphaseTable(mode, table);
    std::fprintf(out, "const std::uint32_t %s[%d] = {\n", name, mode.HalfLength - 1);
    for (std::int32_t k = 1; k < mode.HalfLength; ++k)
        std::fprintf(out, "0x%08xu,%s", std::bit_cast<std::uint32_t>(table.Entry(k)),
                     k % 8 == 0 || k + 1 == mode.HalfLength ? "\n" : "");
    return std::fprintf(out, "};\n\n") > 0;
}

void WriteEntry(std::FILE* out, const chpimport::ConverterMode& mode, const char* name) {
    std::fprintf(out, "    {%d, %d, %d, 0x%08xu, 0x%08xu, 0x%08xu, 0x%08xu, %s},\n",
                 mode.BranchCount, mode.TapsPerBranch, mode.HalfLength,
                 std::bit_cast<std::uint32_t>(mode.StepRatio),
                 std::bit_cast<std::uint32_t>(mode.PhaseStep),
                 std::bit_cast<std::uint32_t>(mode.TransitionWidth),
                 std::bit_cast<std::uint32_t>(mode.Beta), name);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tablegen OUT.cpp\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string temporary = path + ".part";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        std::perror(temporary.c_str());
        return 1;
    }
    const chpimport::ConverterMode plain = chpimport::MakeConverterMode(false);
    const chpimport::ConverterMode zuvan = chpimport::MakeConverterMode(true);
    std::fprintf(out, "// Written by tablegen at build time: do not edit.\n"
                      "#include \"audio/resample/designed_tables.hpp\"\n\n"
                      "namespace chpimport {\nnamespace {\n\n");
    bool ok = WritePrototype(out, plain, "kPlain") && WritePrototype(out, zuvan, "kZuvan");
    std::fprintf(out, "const DesignedPrototype kPrototypes[] = {\n");
    WriteEntry(out, plain, "kPlain");
    WriteEntry(out, zuvan, "kZuvan");
    std::fprintf(out, "};\n\n} // namespace\n\n"
                      "const DesignedPrototype* BuiltInPrototypes(std::size_t& count) {\n"
                      "    count = 2;\n    return kPrototypes;\n}\n\n"
                      "} // namespace chpimport\n");
    ok = std::fclose(out) == 0 && ok;
    // Whole or not at all: the build must not compile half a table. (Windows does not
    // rename onto an existing file.)
    std::remove(path.c_str());
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "tablegen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
