#include "cli/json_view.hpp"

#include <nlohmann/json.hpp>

#include "cli/text_encoding.hpp"

namespace chpimport::cli {
namespace {

// Keys in the order written: a person reads the document too.
using json = nlohmann::ordered_json;

json Text(const std::string& text) {
    return ToUtf8(text);
}

// An empty path is no path: null, so a script can test for it.
json PathOrNull(const std::string& path) {
    return path.empty() ? json(nullptr) : Text(path);
}

template <typename T>
json ValueOrNull(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json MessageJson(const MessageResult& m) {
    json warnings = json::array();
    for (const std::string& warning : m.warnings) warnings.push_back(Text(warning));
    return {
        {"number", m.number},
        {"voc", Text(m.vocName)},
        {"voc_path", PathOrNull(m.vocPath)},
        {"address", ValueOrNull(m.address)},
        {"length", ValueOrNull(m.length)},
        {"duration_ms", ValueOrNull(m.durationMs)},
        {"wav", PathOrNull(m.wavePath)},
        {"status", StatusName(m.status)},
        {"failure", m.failure.empty() ? json(nullptr) : Text(m.failure)},
        {"warnings", warnings},
    };
}

json ProjectJson(const ProjectResult& p) {
    json messages = json::array();
    for (const MessageResult& m : p.messages) messages.push_back(MessageJson(m));
    const bool read = p.rate != 0; // the header was read and the import began
    return {
        {"path", Text(p.projectPath)},
        {"name", read ? Text(p.projectName) : json(nullptr)},
        {"chip", read ? Text(p.chipName) : json(nullptr)},
        {"rate", read ? json(p.rate) : json(nullptr)},
        {"status", StatusName(p.status)},
        {"failure", p.failure.empty() ? json(nullptr) : Text(p.failure)},
        {"message_count", read ? json(p.messageCount) : json(nullptr)},
        {"imported", p.ImportedCount()},
        {"failed", read ? json(p.FailedCount()) : json(nullptr)},
        {"seconds", p.seconds},
        {"outputs",
         {
             {"folder", PathOrNull(p.outputFolder)},
             {"project_file", PathOrNull(p.projectFilePath)},
             {"table_file", PathOrNull(p.tableFilePath)},
             {"debug_log", PathOrNull(p.debugLogPath)},
         }},
        {"messages", messages},
    };
}

// Texts that still aren't UTF-8 (bytes of another code page on Linux) become U+FFFD rather
// than breaking the document.
std::string Dump(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace

std::string ImportJson(const std::vector<ProjectResult>& projects,
                       const std::vector<std::string>& errors, int exitStatus) {
    json list = json::array();
    for (const ProjectResult& p : projects) list.push_back(ProjectJson(p));
    json errorList = json::array();
    for (const std::string& error : errors) errorList.push_back(Text(error));
    return Dump({{"projects", list}, {"errors", errorList}, {"exit_status", exitStatus}});
}

std::string InfoJson(const ProjectInfo& info) {
    const bool valid = info.failure.empty();
    json messages = json::array();
    for (const ChpDirEntry& entry : info.entries)
        messages.push_back(
            {{"number", entry.Number}, {"voc", Text(entry.VocName)}, {"address", entry.Address}});
    return Dump({
        {"path", Text(info.path)},
        {"status", valid ? "valid" : "invalid"},
        {"failure", valid ? json(nullptr) : Text(info.failure)},
        {"name", valid ? Text(info.header.ProjectName) : json(nullptr)},
        {"chip", valid ? Text(info.chip.Name) : json(nullptr)},
        {"row_ms", valid ? json(info.chip.RowMs) : json(nullptr)},
        {"divisor", valid ? json(info.chip.Divisor) : json(nullptr)},
        {"message_count", valid ? json(info.header.MessageCount) : json(nullptr)},
        {"messages", messages},
    });
}

} // namespace chpimport::cli
