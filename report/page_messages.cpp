#include <algorithm>
#include <charconv>
#include <map>

#include "report/html_text.hpp"
#include "report/levels.hpp"
#include "report/page_format.hpp"
#include "report/report_page.hpp"

namespace chpimport::report {
namespace {

constexpr int kWaveHeight = 44;

std::string Badge(const char* kind, const char* text) {
    return std::string("<span class=\"badge ") + kind + "\">" + text + "</span>";
}

std::string Note(const std::string& html) {
    return "<div class=\"note\">" + html + "</div>";
}

// Thousands of numbers go into the waveforms: without the cost of a format string.
void AppendNumber(std::string& out, int value) {
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// The waveform: a vertical stroke per column from its lowest to its highest sample.
std::string WaveSvg(const WaveShape& shape, int number, bool silent) {
    const auto columns = static_cast<int>(shape.low.size());
    const int mid = kWaveHeight / 2;
    std::string svg = "<svg class=\"wave" + std::string(silent ? " quiet" : "") +
                      "\" viewBox=\"0 0 " + std::to_string(std::max(columns, 1)) + " " +
                      std::to_string(kWaveHeight) +
                      "\" preserveAspectRatio=\"none\" role=\"img\" aria-label=\"Waveform of "
                      "message " +
                      std::to_string(number) + "\"><path class=\"axis\" d=\"M0 " +
                      std::to_string(mid) + ".5H" + std::to_string(columns) +
                      "\" vector-effect=\"non-scaling-stroke\"/><path class=\"trace\" d=\"";
    for (int c = 0; c < columns; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int top = mid - shape.high[i] * mid / kFullScale;
        const int bottom = std::max(mid - shape.low[i] * mid / kFullScale, top + 1);
        svg += 'M';
        AppendNumber(svg, c);
        svg += ".5 ";
        AppendNumber(svg, top);
        svg += 'V';
        AppendNumber(svg, bottom);
    }
    return svg + "\" vector-effect=\"non-scaling-stroke\"/></svg>";
}

std::string ImportedRow(const MessageRow& row, const Segment* segment, std::int32_t rate) {
    const MessageFacts& m = row.facts;
    std::string flags;
    std::string notes;
    auto flag = [&](const char* name) { flags += flags.empty() ? name : std::string(" ") + name; };

    if (row.shape) {
        const bool silent = IsSilent(row.shape->peak);
        if (silent) {
            flag("silent");
            notes += Note(Badge("quiet", "Silent") + "peak " + DbfsText(row.shape->peak) +
                          ", below \u221260 dBFS");
        } else {
            notes += Note("<span class=\"muted\">peak " + DbfsText(row.shape->peak) + "</span>");
        }
    } else {
        flag("unreadable");
        notes += Note(Badge("bad", "No waveform") + EscapeHtml(row.waveProblem));
    }
    if (m.removed && rate > 0 && CutOffSound(*m.removed, rate)) {
        flag("cut");
        const std::int64_t ms = static_cast<std::int64_t>(m.removed->audible) * 1000 / rate;
        notes += Note(Badge("warn", "Cut off") + Seconds(ms) +
                      " of sound past the chip length (peak " + DbfsText(m.removed->peak) + ")");
    }
    if (segment != nullptr && !segment->overlaps.empty()) {
        flag("overlap");
        notes += Note(Badge("bad", "Overlap") + "shares chip units with message" +
                      (segment->overlapCount > 1 ? "s " : " ") +
                      NumberList(segment->overlaps, segment->overlapCount));
    }
    if (segment != nullptr && segment->pastEnd) {
        flag("past-end");
        notes += Note(Badge("bad", "Past the end") + "goes beyond the chip's last unit");
    }
    if (!m.warnings.empty()) flag("warning");
    for (const std::string& warning : m.warnings)
        notes += Note(Badge("warn", "Warning") + EscapeHtml(warning));

    const std::string n = std::to_string(m.number);
    std::string html = "<tr class=\"msg\" id=\"msg-" + n + "\" data-number=\"" + n +
                       "\" data-address=\"" + std::to_string(m.address) + "\" data-length=\"" +
                       std::to_string(m.length) + "\" data-duration-ms=\"" +
                       std::to_string(m.durationMs) + "\" data-flags=\"" + flags + "\">\n";
    html += "<td class=\"num\">" + n + "</td>\n";
    html += "<td class=\"name\">" + EscapeHtml(m.vocName) + "<span class=\"sub\">" +
            EscapeHtml(row.link.empty() ? m.wavPath : row.link.substr(row.link.rfind('/') + 1)) +
            "</span></td>\n";
    html += "<td class=\"num\">" + std::to_string(m.address) + "<span class=\"sub\">" +
            Hex4(m.address) + "h</span></td>\n";
    html += "<td class=\"num\">" + std::to_string(m.length) + "</td>\n";
    html +=
        "<td class=\"num\">" + (m.durationMs >= 0 ? Seconds(m.durationMs) : "\u2013") + "</td>\n";
    html += "<td>" +
            (row.link.empty() ? std::string("<span class=\"muted\">no file</span>")
                              : "<audio controls preload=\"none\" src=\"" +
                                    EscapeHtml(EncodeUrlPath(row.link)) + "\"></audio>") +
            "</td>\n";
    html += "<td>" + (row.shape ? WaveSvg(*row.shape, m.number, IsSilent(row.shape->peak)) : "") +
            "</td>\n";
    return html + "<td class=\"notes\">" + notes + "</td>\n</tr>\n";
}

std::string FailedRow(const MessageFacts& m) {
    const std::string n = std::to_string(m.number);
    std::string html = "<tr class=\"msg failed\" id=\"msg-" + n + "\" data-number=\"" + n +
                       "\" data-flags=\"failed\">\n<td class=\"num\">" + n + "</td>\n";
    html += "<td class=\"name\">" +
            (m.vocName.empty() ? "<span class=\"muted\">\u2013</span>" : EscapeHtml(m.vocName)) +
            "</td>\n";
    html += "<td class=\"num\">" +
            (m.address >= 0
                 ? std::to_string(m.address) + "<span class=\"sub\">" + Hex4(m.address) + "h</span>"
                 : std::string("\u2013")) +
            "</td>\n";
    return html + "<td class=\"reason\" colspan=\"5\">" + Badge("bad", "Failed") +
           EscapeHtml(m.failure.empty() ? "not imported" : m.failure) + "</td>\n</tr>\n";
}

} // namespace

std::string MessageTableHtml(const std::vector<MessageRow>& rows, const ChipMap& map,
                             std::int32_t rate) {
    std::map<int, const Segment*> segments;
    for (const Segment& s : map.segments) segments[s.number] = &s;
    std::string html = "<section class=\"card\" id=\"messages\">\n<h2>Messages</h2>\n"
                       "<div class=\"table-wrap\">\n<table>\n"
                       "<thead><tr><th class=\"num\">#</th><th>VOC file</th>"
                       "<th class=\"num\">Address</th><th class=\"num\">Length</th>"
                       "<th class=\"num\">Duration</th><th>Listen</th><th>Waveform</th>"
                       "<th>Notes</th></tr></thead>\n<tbody>\n";
    for (const MessageRow& row : rows) {
        if (!row.facts.imported) {
            html += FailedRow(row.facts);
            continue;
        }
        auto found = segments.find(row.facts.number);
        html += ImportedRow(row, found == segments.end() ? nullptr : found->second, rate);
    }
    return html + "</tbody>\n</table>\n</div>\n</section>\n";
}

} // namespace chpimport::report
