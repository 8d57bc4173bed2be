#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chp/chip_table.hpp"
#include "report/report_facts.hpp"

namespace chpimport::report {

// The chip's size in address units, when its name tells it: an ISD chip's name ends in the
// seconds it holds after its family's two digits (ISD2560: 60 s, ISD25120: 120 s), which
// its row duration turns into rows. Nullopt for a name of another form.
std::optional<int> ChipUnits(const ChipInfo& chip);

inline constexpr std::size_t kListedOverlaps = 8;

// One imported message's place in the chip.
struct Segment {
    int number = 0;
    int from = 0; // first address unit
    int to = 0;   // one past the last
    int lane = 0; // 0, or the row it is drawn in to stand clear of those it overlaps
    // The first messages found that it shares units with (at most kListedOverlaps), in
    // number order, and how many there are in all.
    std::vector<int> overlaps;
    int overlapCount = 0;
    bool pastEnd = false; // reaches beyond the chip's last unit
};

struct ChipMap {
    int units = 0;          // the bar's length: the chip's size, or the messages' end
    bool sizeKnown = false; // whether `units` is the chip's own size
    int rowMs = 100;        // the duration of one unit
    int lanes = 1;
    std::vector<Segment> segments;               // in address order
    std::vector<std::pair<int, int>> freeRanges; // [from, to) stretches no message uses
    int usedUnits = 0;
};

// Places every imported message with a known address; a message of length 0 takes no
// units and overlaps nothing.
ChipMap MapChip(const ChipInfo& chip, const std::vector<MessageFacts>& messages);

} // namespace chpimport::report
