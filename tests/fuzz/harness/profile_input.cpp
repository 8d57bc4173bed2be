#include <utility>
#include <vector>

#include "base/file.hpp"
#include "chp/import_session.hpp"
#include "harness.hpp"
#include "project/profile_writer.hpp"
#include "project/project_files.hpp"
#include "scratch.hpp"
#include "support/ini_reader.hpp"

namespace fuzzing {
namespace {

using namespace chpimport;

struct Written {
    const char* section;
    std::string key;
    std::string value;
};

bool IsOurs(const std::vector<Written>& ours, const std::string& section, const std::string& key) {
    for (const Written& w : ours)
        if (fixtures::IniSameName(w.section, section) && fixtures::IniSameName(w.key, key))
            return true;
    return false;
}

} // namespace

std::string RunProfileInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = Scratch::Get().Folder("profile");
    const std::string chp = InFolder(folder, "DEMO.CHP");
    const std::string zpf = InFolder(folder, "DEMO.zpf");
    if (!WriteBytes(zpf, data, size)) return "";
    const std::string before(reinterpret_cast<const char*>(data), size);

    // An import of two messages, the second at the end of the chip's address space.
    ImportSession session;
    session.MessageCount = 2;
    session.ChipName = "ISD2560";
    const std::string wave1 = InFolder(folder, "MSG00001.wav");
    const std::string wave2 = InFolder(folder, "MSG00002.wav");
    if (WriteProjectSettings(session, chp) != 1) return "the summary keys were not written";
    if (WriteMessageSettings(session.ProjectFilePath, 1, wave1, 0, 40) != 1 ||
        WriteMessageSettings(session.ProjectFilePath, 2, wave2, 32767, 25) != 1)
        return "a message's keys were not written";
    if (session.ProjectFilePath != zpf) return "the project file is not beside the CHP file";

    const std::vector<Written> ours = {
        {kProjectSection, "nb_files", "2"},
        {kProjectSection, "chip_selected", "ISD2560"},
        {kConcatSection, "nb_conc", "2"},
        {kProjectSection, "file1", wave1 + " [10 40]*"},
        {kConcatSection, "conc1", "CONC1"},
        {kConcatSection, "conc_list1", "1"},
        {kProjectSection, "file2", wave2 + " [132767 32792]*"},
        {kConcatSection, "conc2", "CONC2"},
        {kConcatSection, "conc_list2", "2"},
    };
    const std::string after = ReadBytes(zpf);
    const fixtures::IniFile oldFile(before);
    const fixtures::IniFile newFile(after);
    for (const Written& w : ours)
        if (newFile.Value(w.section, w.key) != w.value)
            return "key " + w.key + " does not read back as written";
    // Every other key a reader could find keeps its value.
    const auto oldValues = oldFile.Values(), newValues = newFile.Values();
    for (const auto& [section, key] : oldFile.Keys()) {
        if (IsOurs(ours, section, key)) continue;
        const auto name = std::make_pair(fixtures::IniLower(section), fixtures::IniLower(key));
        const auto was = oldValues.find(name), now = newValues.find(name);
        if ((was == oldValues.end()) != (now == newValues.end()) ||
            (was != oldValues.end() && was->second != now->second))
            return "key " + key + " of section " + section + " changed";
    }
    // A second import writing the same values leaves the file as it is.
    std::vector<ProfileEntry> again;
    for (const Written& w : ours) again.push_back({w.section, w.key, w.value});
    if (ApplyProfileEntries(after, again) != after)
        return "writing the same values again changed the file";
    if (IsRegularFile(zpf + ".new")) return "the update left its new file behind";
    return "";
}

} // namespace fuzzing
