#include "report/report_writer.hpp"

#include <ctime>

#include "base/file.hpp"
#include "base/path.hpp"
#include "chp/chip_table.hpp"
#include "chp/import_session.hpp"
#include "report/chip_map.hpp"
#include "report/html_text.hpp"
#include "report/report_page.hpp"

namespace chpimport::report {
namespace {

// The WAV file a message names, found on disk: at its own path, or else, when the folder
// was moved or the path was written on another system, under its name beside the page.
std::string FindWave(const std::string& wavPath, const std::string& pageFolder) {
    if (wavPath.empty()) return "";
    if (IsRegularFile(wavPath)) return wavPath;
    const std::size_t slash = wavPath.find_last_of("\\/:");
    const std::string name = slash == std::string::npos ? wavPath : wavPath.substr(slash + 1);
    const std::string beside = pageFolder + name;
    return !name.empty() && IsRegularFile(beside) ? beside : "";
}

MessageRow MakeRow(const MessageFacts& facts, const std::string& pageFolder) {
    MessageRow row{facts, "", std::nullopt, ""};
    if (!facts.imported) return row;
    const std::string wave = FindWave(facts.wavPath, pageFolder);
    if (wave.empty()) {
        row.waveProblem = "the WAV file is missing";
        return row;
    }
    row.link = RelativePath(pageFolder.empty() ? "." : pageFolder, wave);
    row.shape = ScanWave(wave, kWaveColumns, row.waveProblem);
    return row;
}

} // namespace

std::optional<std::string> ReportPath(const std::string& chpPath, const std::string& outputFolder) {
    return OutputPath(OutputPlacement{outputFolder}, chpPath, ".html");
}

bool WriteReport(const std::string& htmlPath, const ProjectFacts& project,
                 const std::vector<MessageFacts>& messages, std::string& why) {
    const PathParts parts = SplitPath(htmlPath);
    const std::string folder = parts.drive + parts.directory;
    std::vector<MessageRow> rows;
    rows.reserve(messages.size());
    for (const MessageFacts& facts : messages) rows.push_back(MakeRow(facts, folder));
    const ChipMap map = MapChip(GetChipInfo(0, project.chip), messages);
    const std::string page = RenderPage(project, rows, map);

    const std::string staging = htmlPath + ".new";
    File out = File::Open(staging, OpenMode::Create);
    if (!out) {
        why = OpenFailureText(out);
        return false;
    }
    bool ok = out.Write(page.data(), page.size()) == page.size();
    ok = out.Close() && ok;
    if (!ok || !RenameFile(staging, htmlPath)) {
        RemoveFile(staging);
        why = "the page could not be written";
        return false;
    }
    return true;
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace chpimport::report
