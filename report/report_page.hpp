#pragma once
#include <optional>
#include <string>
#include <vector>

#include "report/chip_map.hpp"
#include "report/report_facts.hpp"
#include "report/wave_scan.hpp"

namespace chpimport::report {

// One message as the page shows it: its facts, and what was found of its WAV file.
struct MessageRow {
    MessageFacts facts;
    std::string link;               // the WAV file's URL relative to the page; "" for none
    std::optional<WaveShape> shape; // of the imported WAV file
    std::string waveProblem;        // why an imported message has no shape
};

// Columns of a message's waveform.
inline constexpr int kWaveColumns = 240;

// The whole page: one self-contained HTML document (inline CSS and SVG, no script), under a
// Content-Security-Policy that allows no script and no request but the audio files.
std::string RenderPage(const ProjectFacts& project, const std::vector<MessageRow>& rows,
                       const ChipMap& map);

// The parts of the page, each in a file of its own.
const char* PageStyle();
std::string ChipMapHtml(const ChipMap& map, const std::vector<MessageRow>& rows);
std::string MessageTableHtml(const std::vector<MessageRow>& rows, const ChipMap& map,
                             std::int32_t rate);

} // namespace chpimport::report
