#include "support/report_project.hpp"

#include "support/fixtures.hpp"

namespace fixtures {

void WriteReportProject(const std::filesystem::path& dir) {
    constexpr long kRate = 22222;
    struct Message {
        const char* name;
        std::uint16_t address;
        long seconds;
        bool silent;
        long rate = kRate;
    };
    // The silent message comes first, while the converter carries no sound over from an
    // earlier message into its first samples.
    const Message messages[] = {
        {"QUIET.VOC", 0, 1, true},         {"A&B'S #1.VOC", 10, 1, false},
        {"LONG.VOC", 20, 2, false},        {"</script>&\"'", 40, 1, false},
        {"MSG5.VOC", 25, 1, false, 11111},
    };
    std::filesystem::create_directories(dir);
    ChpBuilder project;
    project.projectName = kReportProjectName;
    for (const Message& m : messages) {
        project.Message(m.address, m.name);
        // A 444 Hz triangle wave at about -2 dBFS.
        Bytes sound;
        for (long i = 0; i < m.seconds * m.rate; ++i) {
            const long phase = i % 50;
            const long level = phase < 25 ? phase * 8 - 100 : 300 - phase * 8;
            sound.push_back(static_cast<std::uint8_t>(m.silent ? 128 : 128 + level));
        }
        VocBuilder voc;
        voc.rowCount = 40; // 10 units of 100 ms
        voc.Sound(static_cast<std::uint8_t>(256 - 1000000 / m.rate), sound);
        // The refused name can't be a file name; its message fails before any file is read.
        if (std::string(m.name).find('/') == std::string::npos)
            WriteFile(dir / m.name, voc.Build());
    }
    WriteFile(dir / "REPORT.CHP", project.Build());
}

} // namespace fixtures
