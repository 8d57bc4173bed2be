// Designs the converter's prototype filters, in both modes, with the reference design code,
// and writes them as a C++ source file that defines BuiltInPrototypes (designed_tables.hpp).
// Run by the build, on the target (or under its emulator), so that the tables are the ones
// the program itself would design.
//
// Usage: tablegen OUT.cpp [--laid-out]
// --laid-out also builds in the Zuvan table as the kernels read it (2.6 MB), which spares a
// short conversion its layout; the browser's build leaves it out of its download.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/resample/filter_design.hpp"
#include "audio/resample/table_layout.hpp"

namespace {

// Writes the prototype's entries 1 .. H - 1 as `name`; with `laidOut`, also its table as the
// kernels read it, as `name`Rows. `normal` is that table's range check.
bool WritePrototype(std::FILE* out, const chpimport::ConverterMode& mode, const char* name,
                    bool laidOut, bool& normal) {
    chpimport::PolyphaseTable table(mode.BranchCount, mode.TapsPerBranch);
    chpimport::DesignPolyphaseTable(mode, table);
    std::vector<std::uint32_t> half(static_cast<std::size_t>(mode.HalfLength - 1));
    for (std::int32_t k = 1; k < mode.HalfLength; ++k)
        half[static_cast<std::size_t>(k - 1)] = std::bit_cast<std::uint32_t>(table.Entry(k));
    std::fprintf(out, "const std::uint32_t %s[%d] = {\n", name, mode.HalfLength - 1);
    for (std::int32_t k = 1; k < mode.HalfLength; ++k)
        std::fprintf(out, "0x%08xu,%s", half[static_cast<std::size_t>(k - 1)],
                     k % 8 == 0 || k + 1 == mode.HalfLength ? "\n" : "");
    if (std::fprintf(out, "};\n\n") < 0) return false;
    if (!laidOut) return true;
    const std::size_t count =
        static_cast<std::size_t>(mode.BranchCount) * static_cast<std::size_t>(mode.TapsPerBranch);
    std::vector<double> rows(count);
    normal = chpimport::LayOutPrototypeRows(half.data(), mode.BranchCount, mode.TapsPerBranch,
                                            mode.HalfLength, rows.data());
    // Hexadecimal: every double exactly.
    std::fprintf(out, "alignas(64) const double %sRows[%zu] = {\n", name, count);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(out, "%a,%s", rows[i], i % 8 == 7 || i + 1 == count ? "\n" : "");
    return std::fprintf(out, "};\n\n") > 0;
}

void WriteEntry(std::FILE* out, const chpimport::ConverterMode& mode, const char* name,
                bool laidOut, bool normal) {
    std::fprintf(
        out, "    {%d, %d, %d, 0x%08xu, 0x%08xu, 0x%08xu, 0x%08xu, %s, %s%s, %s},\n",
        mode.BranchCount, mode.TapsPerBranch, mode.HalfLength,
        std::bit_cast<std::uint32_t>(mode.StepRatio), std::bit_cast<std::uint32_t>(mode.PhaseStep),
        std::bit_cast<std::uint32_t>(mode.TransitionWidth), std::bit_cast<std::uint32_t>(mode.Beta),
        name, laidOut ? name : "nullptr", laidOut ? "Rows" : "", normal ? "true" : "false");
}

} // namespace

int main(int argc, char** argv) {
    const bool laidOut = argc == 3 && std::strcmp(argv[2], "--laid-out") == 0;
    if (argc != 2 && !laidOut) {
        std::fprintf(stderr, "usage: tablegen OUT.cpp [--laid-out]\n");
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
    bool plainNormal = false;
    bool zuvanNormal = false;
    bool ok = WritePrototype(out, plain, "kPlain", false, plainNormal) &&
              WritePrototype(out, zuvan, "kZuvan", laidOut, zuvanNormal);
    std::fprintf(out, "const DesignedPrototype kPrototypes[] = {\n");
    WriteEntry(out, plain, "kPlain", false, plainNormal);
    WriteEntry(out, zuvan, "kZuvan", laidOut, zuvanNormal);
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
