#include <algorithm>
#include <map>

#include "report/html_text.hpp"
#include "report/page_format.hpp"
#include "report/report_page.hpp"

namespace chpimport::report {
namespace {

constexpr int kLaneHeight = 26;
constexpr int kLaneGap = 4;
// Shares of the bar in thousandths of a percent: the narrowest segment drawn, and the room
// a label takes, per digit and in all.
constexpr std::int64_t kMinWidth = 250;
constexpr std::int64_t kLabelDigit = 700;
constexpr std::int64_t kLabelMargin = 500;

std::string UnitText(int units, int rowMs) {
    return std::to_string(units) + (units == 1 ? " unit" : " units") + ", " +
           Seconds(static_cast<std::int64_t>(units) * rowMs, 1);
}

// x and width of [from, to) on a bar of `units`, clipped to the bar.
struct Span {
    std::string x;
    std::string width;
    std::int64_t thousandths = 0;
};

Span Place(int from, int to, int units) {
    from = std::clamp(from, 0, units);
    to = std::clamp(to, from, units);
    Span span{Percent(from, units), "", 0};
    span.thousandths = static_cast<std::int64_t>(to - from) * 100000 / units;
    span.width =
        span.thousandths < kMinWidth ? Percent(kMinWidth, 100000) : Percent(to - from, units);
    return span;
}

// A rectangle over `lanes` lanes from `lane` on, with its tooltip.
std::string Rect(const std::string& cls, const Span& span, int lane, int lanes,
                 const std::string& title) {
    return "<rect class=\"" + cls + "\" x=\"" + span.x + "\" width=\"" + span.width + "\" y=\"" +
           std::to_string(lane * (kLaneHeight + kLaneGap)) + "\" height=\"" +
           std::to_string(lanes * (kLaneHeight + kLaneGap) - kLaneGap) + "\" rx=\"3\">" +
           (title.empty() ? "" : "<title>" + title + "</title>") + "</rect>\n";
}

} // namespace

std::string ChipMapHtml(const ChipMap& map, const std::vector<MessageRow>& rows) {
    std::string html = "<section class=\"card\" id=\"chip-map\">\n<h2>Chip map</h2>\n";
    if (map.units <= 0) {
        return html + "<p class=\"muted\">No imported message has a place in the chip.</p>\n"
                      "</section>\n";
    }
    std::map<int, const MessageFacts*> byNumber;
    for (const MessageRow& row : rows) byNumber[row.facts.number] = &row.facts;

    const int barHeight = map.lanes * (kLaneHeight + kLaneGap) - kLaneGap;
    const int height = barHeight + 18;
    html += "<svg class=\"chipmap\" height=\"" + std::to_string(height) +
            "\" role=\"img\" aria-label=\"Chip map\">\n";
    // Every lane is a track; a free stretch is free in all of them.
    for (int lane = 0; lane < map.lanes; ++lane)
        html += Rect("track", Place(0, map.units, map.units), lane, 1, "");
    for (const auto& [from, to] : map.freeRanges) {
        html += Rect("free", Place(from, to, map.units), 0, map.lanes,
                     "Free: units " + std::to_string(from) + "\u2013" + std::to_string(to - 1) +
                         " (" + UnitText(to - from, map.rowMs) + ")");
    }
    for (std::size_t i = 0; i < map.segments.size(); ++i) {
        const Segment& s = map.segments[i];
        const MessageFacts* facts = byNumber[s.number];
        std::string cls = "seg";
        if (!s.overlaps.empty()) cls += " overlap";
        if (s.pastEnd) cls += " past";
        if (s.overlaps.empty() && !s.pastEnd && i % 2 == 1) cls += " alt";
        std::string title = "Message " + std::to_string(s.number);
        if (facts != nullptr && !facts->vocName.empty())
            title += " (" + EscapeHtml(facts->vocName) + ")";
        title += s.to > s.from
                     ? ": units " + std::to_string(s.from) + "\u2013" + std::to_string(s.to - 1) +
                           " (" + UnitText(s.to - s.from, map.rowMs) + ")"
                     : ": at unit " + std::to_string(s.from) + ", no length";
        if (!s.overlaps.empty()) title += "; overlaps " + NumberList(s.overlaps, s.overlapCount);
        if (s.pastEnd) title += "; goes past the chip's end";
        const Span span = Place(s.from, s.to, map.units);
        html +=
            "<g id=\"seg-" + std::to_string(s.number) + "\">" + Rect(cls, span, s.lane, 1, title);
        const std::string label = std::to_string(s.number);
        if (span.thousandths >=
            kLabelMargin + kLabelDigit * static_cast<std::int64_t>(label.size())) {
            const std::int64_t mid =
                static_cast<std::int64_t>(std::clamp(s.from, 0, map.units)) * 2 +
                (std::min(s.to, map.units) - std::clamp(s.from, 0, map.units));
            html += "<text class=\"label\" x=\"" + Percent(mid, 2LL * map.units) + "\" y=\"" +
                    std::to_string(s.lane * (kLaneHeight + kLaneGap) + 17) + "\">" + label +
                    "</text>";
        }
        html += "</g>\n";
    }
    const std::string y = std::to_string(height - 2);
    html += "<text class=\"tick\" x=\"0\" y=\"" + y +
            "\">0</text>\n<text class=\"tick end\" x=\"100%\" y=\"" + y + "\">" +
            UnitText(map.units, map.rowMs) +
            (map.sizeKnown ? " (the chip's size)" : " (the messages' end; chip size unknown)") +
            "</text>\n</svg>\n";

    const bool anyOverlap =
        std::any_of(map.segments.begin(), map.segments.end(),
                    [](const Segment& s) { return !s.overlaps.empty() || s.pastEnd; });
    html += "<div class=\"legend\"><span><i class=\"k-seg\"></i>Message</span>";
    if (anyOverlap)
        html += "<span><i class=\"k-overlap\"></i>Overlapping or past the chip's end</span>";
    html += "<span><i class=\"k-free\"></i>Free</span><span>" + std::to_string(map.usedUnits) +
            " of " + std::to_string(map.units) + " units used (" + Share(map.usedUnits, map.units) +
            "), " + std::to_string(map.units - map.usedUnits) + " free</span></div>\n";
    return html + "</section>\n";
}

} // namespace chpimport::report
