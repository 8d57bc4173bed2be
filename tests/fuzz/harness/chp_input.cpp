#include <sstream>

#include "app/read_chp_header.hpp"
#include "chp/chp_file.hpp"
#include "chp/import_session.hpp"
#include "chp/voc_name.hpp"
#include "cli/cli.hpp"
#include "harness.hpp"
#include "scratch.hpp"

namespace fuzzing {
namespace {

using namespace chpimport;

class Items final : public DialogItems {
public:
    void SetItemText(int, const std::string&) override { ++writes; }
    void SetItemNumber(int, unsigned) override { ++writes; }
    int writes = 0;
};

std::string CheckEntry(const std::string& path, std::int16_t n, std::size_t size) {
    ChpDirEntry entry;
    const DirEntryStatus status = ReadChpDirEntry(path, n, entry);
    if (status != DirEntryStatus::Ok) return "";
    if (n < 1) return "an entry below 1 was read";
    const auto end = static_cast<std::size_t>(kChpHeaderSize + n * kChpDirEntrySize);
    if (size < end) return "an entry was read beyond the end of the file";
    if (entry.Number != static_cast<std::uint16_t>(n)) return "an entry carries another number";
    if (entry.VocName.size() > 12) return "a VOC name is longer than its 12-byte field";
    if (IsSafeVocName(entry.VocName) && entry.VocName.find_first_of("/\\:") != std::string::npos)
        return "a VOC name with a separator passed as safe";
    return "";
}

} // namespace

std::string RunChpInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = Scratch::Get().Folder("chp");
    const std::string path = InFolder(folder, "PROJECT.CHP");
    if (!WriteBytes(path, data, size)) return "";

    if (CheckChpFile(path) != static_cast<std::int32_t>(size))
        return "CheckChpFile does not give the file's length";

    ChpHeader header;
    const ChpStatus status = ParseChpHeader(path, header);
    if (status == ChpStatus::Ok) {
        if (size < static_cast<std::size_t>(kChpHeaderSize)) return "a short header was accepted";
        if (header.ProjectName.size() > 28 || header.ChipType.size() > 18)
            return "a header text is longer than its field";
        if (header.MessageCount < 0) return "a negative message count was accepted";
    }

    Items items;
    ImportSession session;
    session.ChipName = "unchanged";
    session.MessageCount = -7;
    const int read = ReadChpHeader(items, session, path);
    if ((read == 1) != (status == ChpStatus::Ok))
        return "ReadChpHeader and ParseChpHeader disagree";
    if (read == 0 &&
        (items.writes != 0 || session.ChipName != "unchanged" || session.MessageCount != -7))
        return "a refused header changed the dialog or the session";
    if (read == 1 && session.ChipName.size() > 18) return "the chip name is longer than 18";

    // The first entries, the last one announced, and numbers no directory can hold.
    const std::int16_t count = status == ChpStatus::Ok ? header.MessageCount : 0;
    const std::int16_t numbers[] = {
        -1, 0, 1, 2, 3, count, static_cast<std::int16_t>(count + 1), INT16_MAX};
    for (std::int16_t n : numbers)
        if (std::string broken = CheckEntry(path, n, size); !broken.empty()) return broken;

    // The command itself: its arguments never change, and building the parser for them took
    // most of an execution's time.
    std::ostringstream out, err;
    const int exit = cli::CmdInfo({path, false}, {out, err});
    if (exit != (status == ChpStatus::Ok ? cli::kExitOk : cli::kExitUsage))
        return "chpimport info exits with the wrong status";
    return "";
}

} // namespace fuzzing
