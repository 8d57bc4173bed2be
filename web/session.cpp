// The browser page's import: the page's worker hands the picked files to this module, which
// holds them in a file system in memory and imports them with the same importer as the dialog
// and the command line. Every call answers in JSON; nothing here touches a real disk.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "base/memory_file_system.hpp"
#include "base/path.hpp"
#include "chp/chp_file.hpp"
#include "project/project_importer.hpp"
#include "report/import_report.hpp"
#include "web/output_folder.hpp"

namespace chpimport::web {
namespace {

using nlohmann::json;
constexpr const char* kWorkDir = "/.work"; // the converter's working files, outside every output

// Every message box the import would show becomes a note the page lists; a question gets the
// command line's answer, no.
class NoteSink final : public MessageSink {
public:
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        notes.push_back(caption + ": " + text);
        return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
    }
    std::vector<std::string> notes;
};

// One page session: the dropped files and, while one runs, a project's import.
struct Session {
    explicit Session(PathRules rules) : files(rules) {}
    MemoryFileSystem files;
    std::vector<MemoryFileSystem::Event> journal;
    NoteSink notes;
    std::unique_ptr<SampleRateConverter> converter;
    std::unique_ptr<ProjectImporter> importer;
    std::unique_ptr<report::ImportReport> report;
    OutputPlacement placement;
    std::string folderKey; // the folder the zip holds, as the file system compares it
};

std::unique_ptr<Session> gSession;
std::string gAnswer;

const char* Answer(const json& value) {
    gAnswer = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return gAnswer.c_str();
}

// Makes every folder above the last name of `path` (all of it when it ends with a separator);
// on Windows a drive is a folder below the root.
bool MakeFolders(const std::string& path) {
    const bool windows = gSession->files.Rules() == PathRules::Windows;
    for (std::size_t at = 1; at < path.size(); ++at) {
        if (!(path[at] == '/' || (windows && path[at] == '\\'))) continue;
        const std::string folder = path.substr(0, at);
        if (!IsDirectory(folder) && !gSession->files.CreateFolder(folder)) return false;
    }
    return true;
}

json MessageJson(const MessageResult& m) {
    json out = {{"number", m.number},   {"voc", m.vocName},
                {"wave", m.wavePath},   {"imported", m.status == MessageStatus::Imported},
                {"failure", m.failure}, {"warnings", m.warnings}};
    if (m.address) out["address"] = *m.address;
    if (m.durationMs) out["durationMs"] = *m.durationMs;
    return out;
}

// The files the import wrote below the output folder, by their names relative to it.
json Outputs() {
    std::set<std::uint64_t> written;
    for (const MemoryFileSystem::Event& e : gSession->journal)
        if (e.kind == MemoryFileSystem::Event::Kind::CreateFile ||
            e.kind == MemoryFileSystem::Event::Kind::Truncate ||
            e.kind == MemoryFileSystem::Event::Kind::Write)
            written.insert(e.file);
    json files = json::array();
    for (const auto& [path, node] : gSession->files.Tree()) {
        if (node.folder || written.count(node.file) == 0) continue;
        if (std::optional<std::string> name =
                NameBelow(gSession->folderKey, path, gSession->files.Rules()))
            files.push_back({{"name", *name}, {"path", path}});
    }
    return files;
}

json Finished(bool aborted) {
    Session& s = *gSession;
    if (aborted)
        s.importer->Abort();
    else
        s.importer->Finish();
    s.importer->Close();
    ProjectResult result = s.importer->Result();
    result.outputFolder = s.placement.folder;
    std::string page, why;
    const bool reported = s.report->Write(result, page, why);
    json messages = json::array();
    for (const MessageResult& m : result.messages) messages.push_back(MessageJson(m));
    json answer = {{"status", StatusName(result.status)},
                   {"failure", result.failure},
                   {"messageCount", result.messageCount},
                   {"imported", result.ImportedCount()},
                   {"rate", result.rate},
                   {"zpf", result.projectFilePath},
                   {"messages", messages},
                   {"notes", s.notes.notes},
                   {"report", reported ? page : ""},
                   {"reportFailure", reported ? "" : why}};
    s.files.Record(nullptr);
    answer["files"] = Outputs();
    s.importer.reset();
    s.converter.reset();
    s.report.reset();
    return answer;
}

} // namespace
} // namespace chpimport::web

using namespace chpimport;
using namespace chpimport::web;

extern "C" {

// A new, empty file system whose paths follow Windows' rules (1) or POSIX's (0).
EMSCRIPTEN_KEEPALIVE void chp_reset(int windowsRules) {
    UseFileSystem(nullptr);
    gSession = std::make_unique<Session>(windowsRules ? PathRules::Windows : PathRules::Posix);
    UseFileSystem(&gSession->files);
    gSession->files.CreateFolder(kWorkDir);
}

// Puts a picked file at `path`, making its folders; 0 when it can't.
EMSCRIPTEN_KEEPALIVE int chp_put(const char* path, const char* data, int size) {
    if (!gSession || !MakeFolders(path)) return 0;
    File file = File::Open(path, OpenMode::Create);
    const bool ok =
        file && file.Write(data, static_cast<std::size_t>(size)) == static_cast<std::size_t>(size);
    return file.Close() && ok ? 1 : 0;
}

// The CHP files below `folder` (any letter case of ".CHP"), sorted by path, with the output
// folder of each.
EMSCRIPTEN_KEEPALIVE const char* chp_projects(const char* folder) {
    json found = json::array();
    if (!gSession) return Answer(found);
    const PathRules rules = gSession->files.Rules();
    const std::string key = FolderKey(folder, rules);
    for (const auto& [path, node] : gSession->files.Tree()) {
        if (node.folder) continue;
        const std::optional<std::string> name = NameBelow(key, path, rules);
        if (!name || !IsProjectName(*name)) continue;
        // As the system would spell it, from the folder as given.
        found.push_back(
            {{"path", JoinFolder(NormalFolder(folder, rules), *name, rules)}, {"relative", *name}});
    }
    // Each project's outputs go where `import --output` puts them: all in the folder for one,
    // each in its own folder below it for several.
    for (json& project : found) {
        const std::string relative = project["relative"];
        const std::size_t slash = relative.rfind('/');
        const std::string below =
            found.size() > 1 && slash != std::string::npos ? relative.substr(0, slash) : "";
        project["outputFolder"] = NormalFolder(JoinFolder(folder, below, rules), rules);
    }
    std::sort(found.begin(), found.end(), [](const json& a, const json& b) {
        return std::filesystem::path(a["relative"].get<std::string>()) <
               std::filesystem::path(b["relative"].get<std::string>());
    });
    return Answer(found);
}

// What Browse shows of a project, or why it can't be imported, in the command line's words.
EMSCRIPTEN_KEEPALIVE const char* chp_describe(const char* chpPath) {
    ChpHeader header;
    std::string why;
    const ChpStatus status = ParseChpHeader(chpPath, header, &why);
    if (status != ChpStatus::Ok)
        return Answer({{"valid", false},
                       {"failure", kInvalidProject},
                       {"reason", std::string(ChpStatusText(status)) +
                                      (why.empty() ? "" : " (" + why + ")")}});
    ImportSession session;
    LoadChpHeader(session, chpPath);
    return Answer({{"valid", true},
                   {"project", session.ProjectName},
                   {"chip", session.ChipName},
                   {"messageCount", session.MessageCount}});
}

// Starts the import of `chpPath` with its outputs in `outputFolder`; the answer says whether it
// started and, if not, why. The files written are named relative to `rootFolder`.
EMSCRIPTEN_KEEPALIVE const char* chp_start(const char* chpPath, int zuvan, const char* outputFolder,
                                           const char* rootFolder) {
    if (!gSession) return Answer({{"started", false}, {"failure", "no files"}});
    Session& s = *gSession;
    s.notes.notes.clear();
    s.placement.folder = outputFolder;
    s.placement.debugLog = JoinFolder(outputFolder, "debug.bid", s.files.Rules());
    s.folderKey = FolderKey(rootFolder, s.files.Rules());
    if (!MakeFolders(std::string(outputFolder) + "/"))
        return Answer({{"started", false}, {"failure", "can't create the output folder"}});
    s.converter = std::make_unique<SampleRateConverter>(s.notes, nullptr);
    s.importer = std::make_unique<ProjectImporter>(*s.converter, s.notes, kWorkDir);
    s.report = std::make_unique<report::ImportReport>();
    s.importer->SetConvertedSoundObserver(&s.report->Observer());
    s.journal.clear();
    s.files.Record(&s.journal);
    const ProjectImporter::StartStatus started =
        s.importer->Start(chpPath, zuvan != 0, s.placement);
    if (started != ProjectImporter::StartStatus::Started) {
        s.files.Record(nullptr);
        json answer = {{"started", false},
                       {"failure", started == ProjectImporter::StartStatus::Invalid
                                       ? std::string(kInvalidProject)
                                       : s.importer->Result().failure},
                       {"files", Outputs()}};
        s.importer.reset();
        s.converter.reset();
        s.report.reset();
        return Answer(answer);
    }
    return Answer({{"started", true}, {"messageCount", s.importer->Session().MessageCount}});
}

// Imports the next message; when it was the last, the import is finished and the answer
// holds the project's result.
EMSCRIPTEN_KEEPALIVE const char* chp_step() {
    if (!gSession || !gSession->importer) return Answer({{"last", true}});
    Session& s = *gSession;
    const int count = s.importer->Session().MessageCount;
    if (count <= 0) return Answer({{"last", true}, {"result", Finished(false)}});
    const ProjectImporter::Step step = s.importer->ImportNext();
    json answer = {{"number", step.number},
                   {"address", step.address},
                   {"wave", step.wavePath},
                   {"failure", s.importer->LastFailure()},
                   {"writeFailure", step.writeFailure},
                   {"last", step.last}};
    if (step.last) answer["result"] = Finished(false);
    return Answer(answer);
}

// Stops the import after the message in progress, as the dialog's abort does.
EMSCRIPTEN_KEEPALIVE const char* chp_abort() {
    if (!gSession || !gSession->importer) return Answer(json::object());
    return Answer(Finished(true));
}

// The bytes of the file at `path`, until the next call; chp_taken_size() tells how many.
EMSCRIPTEN_KEEPALIVE const char* chp_take(const char* path) {
    gAnswer.clear();
    File file = File::Open(path, OpenMode::Read);
    const std::int64_t size = file ? file.Size() : -1;
    if (size > 0) {
        gAnswer.resize(static_cast<std::size_t>(size));
        gAnswer.resize(file.Read(gAnswer.data(), gAnswer.size()));
    }
    return gAnswer.data();
}

EMSCRIPTEN_KEEPALIVE int chp_taken_size() {
    return static_cast<int>(gAnswer.size());
}

} // extern "C"
