#include "report/report_page.hpp"

#include "report/html_text.hpp"
#include "report/page_format.hpp"

namespace chpimport::report {
namespace {

// Nothing runs and nothing loads but the styles written here and the audio files beside
// the page. Opened from a folder, the page's origin is a file: URL, which some browsers
// don't count as 'self'.
constexpr const char* kContentPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; media-src 'self' file:; script-src 'none'; "
    "base-uri 'none'; form-action 'none'";

// `tone` colours the value: "bad", "warn" or "" for none.
std::string Stat(const std::string& label, const std::string& value, const char* id,
                 const char* tone = "") {
    return "<div class=\"stat\" id=\"" + std::string(id) + "\"><span class=\"label\">" + label +
           "</span><span class=\"value" + (*tone != '\0' ? std::string(" ") + tone : "") + "\">" +
           value + "</span></div>\n";
}

std::string FileFact(const char* label, const std::string& value) {
    return std::string("<dt>") + label + "</dt><dd>" + EscapeHtml(value) + "</dd>\n";
}

} // namespace

std::string RenderPage(const ProjectFacts& project, const std::vector<MessageRow>& rows,
                       const ChipMap& map) {
    int imported = 0;
    int warned = 0;
    std::int64_t totalMs = 0;
    for (const MessageRow& row : rows) {
        if (!row.facts.imported) continue;
        ++imported;
        warned += row.facts.warnings.empty() ? 0 : 1;
        totalMs += std::max<std::int32_t>(row.facts.durationMs, 0);
    }
    const int failed = std::max(project.messageCount, static_cast<int>(rows.size())) - imported;
    const std::string name = EscapeHtml(project.name);

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"";
    html += kContentPolicy;
    html += "\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            "<meta name=\"generator\" content=\"chpimport " CHPIMPORT_VERSION "\">\n<title>";
    html += name + " \u2013 import report</title>\n<style>" + PageStyle() + "</style>\n</head>\n";
    html += "<body>\n<main>\n<header class=\"top\">\n<p class=\"eyebrow\">Import report</p>\n<h1 "
            "id=\"project-name\">" +
            name + "</h1>\n<p class=\"path\">" + EscapeHtml(project.chpPath) + "</p>\n</header>\n";
    if (!project.note.empty())
        html += "<p class=\"notice\" id=\"note\">" + EscapeHtml(project.note) + "</p>\n";

    html += "<div class=\"stats\">\n";
    html += Stat("Chip", EscapeHtml(project.chip), "chip");
    html += Stat("Output rate",
                 std::to_string(project.rate) + " Hz" + (project.rate == 11025 ? " (Zuvan)" : ""),
                 "rate");
    html +=
        Stat("Imported", std::to_string(imported) + " of " + std::to_string(project.messageCount),
             "imported");
    html += Stat("Failed", std::to_string(failed), "failed", failed > 0 ? "bad" : "");
    // Most imports have none: the figure only when there is something to look at.
    if (warned > 0) html += Stat("With warnings", std::to_string(warned), "warned", "warn");
    html += Stat("Total duration", Seconds(totalMs, 1), "total");
    html += "</div>\n<dl class=\"files\">\n";
    html += FileFact("Project file", project.zpfPath);
    html += FileFact("Table file", project.tblPath);
    html += "<dt>Made</dt><dd><time>" + EscapeHtml(project.madeAt) + "</time></dd>\n</dl>\n";

    html += ChipMapHtml(map, rows);
    html += MessageTableHtml(rows, map, project.rate);
    html += "<footer>Made by chpimport " CHPIMPORT_VERSION "</footer>\n</main>\n</body>\n</html>\n";
    return html;
}

} // namespace chpimport::report
