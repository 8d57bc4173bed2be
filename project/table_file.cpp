#include <optional>
#include <string_view>

#include "base/file.hpp"
#include "project/project_files.hpp"

namespace chpimport {
namespace {

// A text with a line break would add lines of its own to the listing.
bool FitsOneLine(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

} // namespace

std::unique_ptr<TextFile> OpenTableFile(const std::string& projectPath, const std::string& chipName,
                                        const OutputPlacement& placement, FolderSyncs* later) {
    if (!FitsOneLine(projectPath) || !FitsOneLine(chipName)) return nullptr;
    std::optional<std::string> path = OutputPath(placement, projectPath, ".tbl");
    if (!path) return nullptr;
    // The new file replaces the old one only once its banner is on the disk: an Import that
    // fails this early leaves the last import's table file as it was.
    const std::string fresh = *path + ".new";
    std::unique_ptr<TextFile> file = TextFile::Create(fresh);
    bool ok =
        file && file->Printf(";\n;\tPROJECT :[%s][%s]\n;\n", projectPath.c_str(), chipName.c_str());
    ok = file && file->Close() && ok;
    if (!ok || !ReplaceDurably(fresh, *path, later)) {
        RemoveFile(fresh);
        return nullptr;
    }
    return TextFile::Append(*path);
}

bool WriteTableEntry(TextFile* tableFile, std::int16_t n, std::int16_t address,
                     const std::string& wavePath, std::int32_t durationMs) {
    if (tableFile == nullptr || n < 1 || address < 0 || !FitsOneLine(wavePath)) return false;
    return tableFile->Printf("%s%04hd\n\tDATA\t%04lX\t;[%s][%ld msec][%s]\n;\n", "WORD",
                             static_cast<short>(n - 1), static_cast<unsigned long>(address),
                             wavePath.c_str(), static_cast<long>(durationMs), wavePath.c_str());
}

void CloseTableFile(std::unique_ptr<TextFile>& tableFile) {
    if (!tableFile) return;
    tableFile->Write("CONC\n");
    // The finished listing reaches the disk now, not whenever the system gets round to it.
    tableFile->Sync();
    tableFile->Close();
    tableFile.reset();
}

} // namespace chpimport
