#pragma once
#include <filesystem>
#include <string>

namespace fixtures {

// The report's test project, REPORT.CHP in `dir` (created if missing), for an ISD2560:
//   1 QUIET.VOC     at  0, 1 s of silence
//   2 A&B'S #1.VOC  at 10, 1 s of sound
//   3 LONG.VOC      at 20, 2 s of sound recorded, 1 s in the chip: 1 s is cut off
//   4 </script>&"'  at 40, a VOC name that is refused (no file)
//   5 MSG5.VOC      at 25, 1 s of sound recorded at 11111 Hz (a warning), overlapping 3
// and a project name full of markup. Every message is 10 units (1 s) long in the chip.
inline constexpr const char* kReportProjectName = "<b>\"Q&A\"</script><i>'";
void WriteReportProject(const std::filesystem::path& dir);

} // namespace fixtures
