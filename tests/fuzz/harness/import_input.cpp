#include <cctype>
#include <map>
#include <string_view>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "base/text_file.hpp"
#include "chp/chp_file.hpp"
#include "chp/message_import.hpp"
#include "harness.hpp"
#include "scratch.hpp"
#include "support/fixtures.hpp"
#include "wave_check.hpp"

namespace fuzzing {
namespace {

using namespace chpimport;

std::vector<std::string_view> SplitParts(std::string_view input) {
    std::vector<std::string_view> parts;
    const std::string_view separator = kPartSeparator;
    for (;;) {
        const std::size_t at = input.find(separator);
        parts.push_back(input.substr(0, at));
        if (at == std::string_view::npos) break;
        input.remove_prefix(at + separator.size());
    }
    return parts;
}

// Files of the folder whose names end with `suffix`, ignoring letter case.
bool HasFileEnding(const std::string& folder, std::string_view suffix) {
    std::vector<std::string> names;
    ListFolder(folder, names);
    for (const std::string& name : names) {
        if (name.size() < suffix.size()) continue;
        std::string tail = name.substr(name.size() - suffix.size());
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tail == suffix) return true;
    }
    return false;
}

std::string CheckDebugLog(const std::string& text, int maxLines) {
    int lines = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return "the debug log ends inside a line";
        const std::string_view line(text.data() + at, end - at);
        if (line.rfind("file ", 0) != 0 || line.find(" nb [") == std::string_view::npos)
            return "a debug log line of another form";
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20) return "a control character in the debug log";
        ++lines;
        at = end + 2;
    }
    return lines <= maxLines ? "" : "more debug log lines than messages";
}

} // namespace

void LayOutImportInput(const std::uint8_t* data, std::size_t size, const std::string& folder) {
    const std::vector<std::string_view> parts =
        SplitParts(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string_view options = parts[0];
    auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string_view(); };

    const std::string chp = InFolder(folder, "DEMO.CHP");
    if (part(1).empty()) {
        fixtures::ChpBuilder builder;
        builder.chipCode = options.empty() ? 5 : static_cast<std::uint8_t>(options[0]);
        builder.Message(0, "MSG00001.VOC").Message(40, "MSG00002.VOC");
        const fixtures::Bytes bytes = builder.Build();
        WriteBytes(chp, bytes.data(), bytes.size());
    } else {
        WriteText(chp, part(1));
    }
    WriteText(InFolder(folder, "MSG00001.VOC"), part(2));
    WriteText(InFolder(folder, "MSG00002.VOC"), part(3));
    if (options.size() > 1 && (options[1] & 1))
        for (const char* name : {"MSG00001.wav", "MSG00002.wav"})
            WriteText(InFolder(folder, name), std::string("previous ") + name);
}

std::string RunImportInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = Scratch::Get().Fresh("import");
    const std::string work = InFolder(folder, "work");
    CreateFolder(work);
    LayOutImportInput(data, size, folder);
    const std::string_view options =
        SplitParts(std::string_view(reinterpret_cast<const char*>(data), size))[0];
    const std::string chp = InFolder(folder, "DEMO.CHP");
    // Earlier results of the same names: replaced by complete files or not at all.
    std::map<std::string, std::string> previous;
    if (options.size() > 1 && (options[1] & 1))
        for (const char* name : {"MSG00001.wav", "MSG00002.wav"})
            previous[InFolder(folder, name)] = std::string("previous ") + name;

    ChpHeader header;
    const bool valid = ParseChpHeader(chp, header) == ChpStatus::Ok;
    ImportSession session;
    session.ChipName = valid ? header.ChipType : "ISD2560";
    session.DebugLog = TextFile::Create(InFolder(folder, "debug.bid"));
    SilentMessageSink messages;
    SampleRateConverter converter(messages, [] { return '0'; });
    converter.SetEngine(SharedEngine());
    ImportEnvironment env{session, converter, messages, work};

    const int count = valid ? std::min<int>(header.MessageCount, 3) : 2;
    std::map<std::string, bool> replaced;
    for (int n = 1; n <= count; ++n) {
        std::string wavePath = "untouched";
        std::int16_t length = -99;
        session.DurationMs = -1;
        const std::int16_t address =
            ImportMessage(env, chp, static_cast<std::int16_t>(n), wavePath, length);
        if (address < 0) {
            if (address != -1) return "a failed import returned other than -1";
            if (wavePath != "untouched" || length != -99 || session.DurationMs != -1)
                return "a failed import changed its results";
        } else {
            if (length < 0 || session.DurationMs < 0) return "a negative length or duration";
            if (wavePath.size() > 255) return "a WAV path longer than 255 characters";
            const std::string wave = ReadBytes(wavePath);
            std::uint32_t rate = 0;
            std::size_t samples = 0;
            if (std::string broken = CheckCanonicalWave(wave, 0, rate, samples); !broken.empty())
                return broken;
            if (rate != 11111) return "a final WAV file not at 11111 Hz";
            replaced[wavePath] = true;
        }
        std::vector<std::string> left;
        if (!ListFolder(work, left) || !left.empty()) return "a working file outlived its message";
        if (HasFileEnding(folder, ".wa~") || HasFileEnding(folder, ".w~~"))
            return "a staging file outlived its message";
    }
    for (const auto& [path, content] : previous)
        if (!replaced[path] && ReadBytes(path) != content) return "an earlier WAV file was damaged";

    if (!session.DebugLog) return "";
    session.DebugLog->Close();
    return CheckDebugLog(ReadBytes(InFolder(folder, "debug.bid")), count);
}

} // namespace fuzzing
