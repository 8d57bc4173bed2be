#include "report/chip_map.hpp"

#include <algorithm>
#include <string_view>

namespace chpimport::report {
namespace {

// At most this many rows of overlapping messages are drawn; more share the last one.
constexpr int kMaxLanes = 4;

} // namespace

std::optional<int> ChipUnits(const ChipInfo& chip) {
    std::string_view name = chip.Name;
    if (name.substr(0, 3) != "ISD" || name.size() < 6 || name.size() > 8 || chip.RowMs <= 0)
        return std::nullopt;
    int seconds = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        if (i >= 5) seconds = seconds * 10 + (name[i] - '0');
    }
    if (seconds == 0) return std::nullopt;
    return seconds * 1000 / chip.RowMs;
}

ChipMap MapChip(const ChipInfo& chip, const std::vector<MessageFacts>& messages) {
    const std::optional<int> chipUnits = ChipUnits(chip);
    ChipMap map;
    map.rowMs = chip.RowMs;
    for (const MessageFacts& m : messages) {
        if (!m.imported || m.address < 0) continue;
        Segment s;
        s.number = m.number;
        s.from = m.address;
        s.to = m.address + std::max(m.length, 0);
        map.segments.push_back(std::move(s));
    }
    std::stable_sort(map.segments.begin(), map.segments.end(),
                     [](const Segment& a, const Segment& b) { return a.from < b.from; });
    int end = 0;
    for (const Segment& s : map.segments) end = std::max(end, s.to);
    map.sizeKnown = chipUnits.has_value() && *chipUnits > 0;
    map.units = map.sizeKnown ? *chipUnits : end;

    // Sorted by start, the messages a segment overlaps begin before it ends.
    for (std::size_t i = 0; i < map.segments.size(); ++i) {
        Segment& a = map.segments[i];
        a.pastEnd = map.sizeKnown && a.to > map.units;
        for (std::size_t j = i + 1; j < map.segments.size(); ++j) {
            Segment& b = map.segments[j];
            if (b.from >= a.to) break;
            if (b.from == b.to) continue;
            for (Segment* x : {&a, &b}) {
                const int other = x == &a ? b.number : a.number;
                if (x->overlaps.size() < kListedOverlaps) x->overlaps.push_back(other);
                ++x->overlapCount;
            }
        }
    }
    // Each segment takes the first row whose last segment has ended before it.
    std::vector<int> laneEnds;
    for (Segment& s : map.segments) {
        std::sort(s.overlaps.begin(), s.overlaps.end());
        auto free =
            std::find_if(laneEnds.begin(), laneEnds.end(), [&](int e) { return e <= s.from; });
        if (free == laneEnds.end() && static_cast<int>(laneEnds.size()) < kMaxLanes)
            free = laneEnds.insert(laneEnds.end(), s.from);
        if (free == laneEnds.end()) free = laneEnds.end() - 1;
        s.lane = static_cast<int>(free - laneEnds.begin());
        *free = std::max(*free, s.to);
    }
    map.lanes = std::max<int>(1, static_cast<int>(laneEnds.size()));

    // Free stretches: what the merged segments leave of [0, units).
    int covered = 0;
    for (const Segment& s : map.segments) {
        const int from = std::min(s.from, map.units);
        if (from > covered) map.freeRanges.emplace_back(covered, from);
        map.usedUnits += std::max(0, std::min(s.to, map.units) - std::max(from, covered));
        covered = std::max(covered, std::min(s.to, map.units));
    }
    if (covered < map.units) map.freeRanges.emplace_back(covered, map.units);
    return map;
}

} // namespace chpimport::report
