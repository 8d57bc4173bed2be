#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/native_path.hpp"
#include "base/work_dir.hpp"
#include "chp/chp_file.hpp"
#include "cli/cli.hpp"
#include "cli/console_key.hpp"
#include "cli/console_message_sink.hpp"
#include "cli/console_progress.hpp"
#include "cli/json_view.hpp"
#include "cli/project_search.hpp"
#include "cli/summary_table.hpp"
#include "cli/terminal.hpp"
#include "project/project_importer.hpp"
#include "report/import_report.hpp"

namespace chpimport::cli {
namespace {

namespace fs = std::filesystem;

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
    gInterrupted = true;
}

// Ctrl+C, for the length of a run, stops it after the message in progress.
class InterruptScope {
public:
    InterruptScope() : previous_(std::signal(SIGINT, OnInterrupt)) { gInterrupted = false; }
    ~InterruptScope() { std::signal(SIGINT, previous_); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    void (*previous_)(int);
};

// Keys for a stereo input's channel, read by one import at a time.
int ReadKeyAlone() {
    static std::mutex reading;
    const std::lock_guard<std::mutex> lock(reading);
    return ReadConsoleKey();
}

int ExitStatus(const ProjectResult& result) {
    switch (result.status) {
    case ProjectStatus::Imported:
        return kExitOk;
    case ProjectStatus::Invalid:
        return kExitUsage;
    default:
        return kExitFailed;
    }
}

// What the dialog's status line would say of a project that can't be imported, or whose
// outputs can't be written, told on the console.
ProjectResult Refused(const ProjectImporter& importer, ProjectImporter::StartStatus started,
                      const FoundProject& project, const OutputPlacement& placement, Streams io) {
    ProjectResult result = importer.Result();
    ChpHeader header;
    std::string why;
    const ChpStatus status = ParseChpHeader(project.chpPath, header, &why);
    io.err << (started == ProjectImporter::StartStatus::Invalid ? kInvalidProject
                                                                : result.failure.c_str());
    // A valid project whose outputs can't be written: say where they go.
    if (status == ChpStatus::Ok)
        io.err << (placement.folder.empty() ? " beside " + project.chpPath
                                            : " in " + placement.folder);
    io.err << "\n";
    if (status != ChpStatus::Ok) {
        const std::string reason = ChpStatusText(status) + (why.empty() ? "" : " (" + why + ")");
        io.err << project.chpPath << ": " << reason << "\n";
        result = ProjectResult{};
        result.projectPath = project.chpPath;
        result.status = ProjectStatus::Invalid;
        result.failure = std::string(kInvalidProject) + ": " + reason;
    }
    result.outputFolder = placement.folder;
    return result;
}

// Imports one project as the dialog's Import! and then OK would, with an importer and a
// converter of its own: nothing carries over from the project before.
// `conversionThreads`: the most threads one conversion takes; 0: as many as it would alone.
ProjectResult ImportProject(const FoundProject& project, const OutputPlacement& placement,
                            const ImportOptions& options, const std::string& workDir,
                            unsigned conversionThreads, Streams io) {
    // The output folder is made for a project that can be imported; an invalid one is
    // refused below as the dialog refuses it, and leaves no empty folder behind.
    ChpHeader header;
    if (!placement.folder.empty() && ParseChpHeader(project.chpPath, header) == ChpStatus::Ok) {
        std::error_code ec;
        fs::create_directories(ToFsPath(placement.folder), ec);
        if (ec) {
            ProjectResult result;
            result.projectPath = project.chpPath;
            result.outputFolder = placement.folder;
            result.status = ProjectStatus::OutputsFailed;
            result.failure = "can't create the output folder (" + ec.message() + ")";
            io.err << "chpimport: " << placement.folder << ": " << result.failure << "\n";
            return result;
        }
    }
    ConsoleMessageSink messages(io.err);
    SampleRateConverter converter(messages, ReadKeyAlone);
    if (options.referenceConverter) converter.SetEngine(converter.Reference());
    if (conversionThreads > 0)
        converter.Fast().SetMaxThreads(static_cast<std::int32_t>(conversionThreads));
    ProjectImporter importer(converter, messages, workDir);
    // The disk's waits for one message's files overlap the work of the next.
    importer.PrepareAhead(true);
    std::optional<report::ImportReport> report;
    if (options.report) {
        report.emplace();
        importer.SetConvertedSoundObserver(&report->Observer());
    }

    const ProjectImporter::StartStatus started =
        importer.Start(project.chpPath, options.zuvan, placement);
    if (started != ProjectImporter::StartStatus::Started)
        return Refused(importer, started, project, placement, io);
    const int count = importer.Session().MessageCount;
    const LiveTerminal terminal(io.out);
    ConsoleProgress progress(io, terminal.Live(), importer, count);

    bool aborted = false;
    bool last = count <= 0;
    while (!last) {
        if (gInterrupted) {
            progress.Finish();
            aborted = true;
            importer.Abort(); // as the dialog's abort question, answered yes
            break;
        }
        progress.Begin(importer.Session().MessageNumber);
        const ProjectImporter::Step step = importer.ImportNext();
        progress.Stepped(step);
        last = step.last;
    }
    if (!aborted) {
        if (const char* failure = importer.Finish()) progress.Status(failure);
        progress.Completed(kCompletionCaption, importer.Session().ProjectFilePath);
        importer.Close(); // as the dialog's OK: the table file gets its closing line
    }

    ProjectResult result = importer.Result();
    if (report) {
        std::string page, why;
        if (report->Write(result, page, why))
            io.out << "Report: " << page << "\n";
        else
            io.err << "chpimport: no report: " << (page.empty() ? "" : page + ": ") << why << "\n";
    }
    if (aborted) {
        io.err << "\nchpimport: import aborted; the table file is closed with what was written\n";
        return result;
    }
    if (progress.FailedCount(count) > 0) {
        io.err << "chpimport: " << progress.FailedCount(count) << " of " << count
               << " messages failed to import:" << progress.Failed(count) << " (see "
               << placement.debugLog << ")\n";
    }
    return result;
}

// Paths as a script can use them from anywhere.
void MakeAbsolute(std::string& path) {
    std::error_code ec;
    if (path.empty() || ToFsPath(path).is_absolute()) return;
    const fs::path absolute = fs::absolute(ToFsPath(path), ec);
    if (!ec) path = FromFsPath(absolute).value_or(path);
}

// One project of the run, timed, its debug log's path made absolute.
ProjectResult RunProject(const FoundProject& project, const OutputPlacement& placement,
                         const ImportOptions& options, const std::string& workDir,
                         unsigned conversionThreads, Streams io) {
    const auto start = std::chrono::steady_clock::now();
    ProjectResult result =
        ImportProject(project, placement, options, workDir, conversionThreads, io);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    MakeAbsolute(result.debugLogPath);
    return result;
}

// A project Ctrl+C kept from starting: listed, nothing written.
ProjectResult NotStarted(const FoundProject& project, const OutputPlacement& placement) {
    ProjectResult skipped;
    skipped.projectPath = project.chpPath;
    skipped.outputFolder = placement.folder;
    return skipped;
}

std::string Heading(std::size_t i, std::size_t count, const FoundProject& project) {
    // Appended piece by piece: "x" + std::to_string() trips GCC 12's -Wrestrict.
    std::string heading = "[";
    heading += std::to_string(i + 1);
    heading += '/';
    heading += std::to_string(count);
    heading += "] ";
    heading += project.chpPath;
    heading += '\n';
    return heading;
}

// Several projects at once, each still as if alone: every worker has a working folder of its
// own and takes the next project not started. A project's console output is held until it
// is done and then shown whole, so that the lines of projects never mix; the results keep
// the projects' order.
std::vector<ProjectResult> ImportAtOnce(const std::vector<FoundProject>& projects,
                                        const std::vector<OutputPlacement>& placements,
                                        const ImportOptions& options, std::vector<WorkDir>& works,
                                        Streams progress) {
    std::vector<ProjectResult> results(projects.size());
    // The workers share the cores: a conversion's own helper thread would only take turns
    // with another worker's (an archive of 20 projects on 2 cores took 4 to 11 % longer).
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto conversionThreads =
        static_cast<unsigned>(std::max<std::size_t>(1, cores / works.size()));
    std::atomic<std::size_t> next{0};
    std::mutex showing;
    bool shown = false;
    auto worker = [&](const WorkDir& work) {
        for (std::size_t i; (i = next++) < projects.size();) {
            if (gInterrupted) {
                results[i] = NotStarted(projects[i], placements[i]);
                continue;
            }
            std::ostringstream out, err;
            results[i] = RunProject(projects[i], placements[i], options, work.Path(),
                                    conversionThreads, {out, err});
            const std::lock_guard<std::mutex> lock(showing);
            progress.out << (shown ? "\n" : "") << Heading(i, projects.size(), projects[i])
                         << out.str();
            progress.out.flush();
            progress.err << err.str();
            progress.err.flush();
            shown = true;
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < works.size(); ++w)
        threads.emplace_back(worker, std::cref(works[w]));
    worker(works[0]);
    for (std::thread& thread : threads) thread.join();
    return results;
}

} // namespace

int CmdImport(const ImportOptions& options, Streams io) {
    // With --json standard output holds the document alone.
    const Streams progress = options.json ? Streams{io.err, io.err} : io;
    std::vector<ProjectResult> results;
    std::vector<std::string> errors;
    int status = kExitOk;
    auto finish = [&](int exitStatus) {
        if (options.json) io.out << ImportJson(results, errors, exitStatus);
        return exitStatus;
    };

    const ProjectSearch search = FindProjects(options.paths, options.recursive);
    errors = search.errors;
    for (const std::string& error : errors) io.err << "chpimport: " << error << "\n";
    if (!errors.empty()) status = kExitUsage;
    if (search.projects.empty()) return finish(kExitUsage);
    // Nothing is written before every project has a folder of its own.
    std::vector<std::string> clashes;
    const std::vector<OutputPlacement> placements =
        PlaceOutputs(search.projects, options.output, clashes);
    if (!clashes.empty()) {
        for (const std::string& clash : clashes) io.err << "chpimport: " << clash << "\n";
        io.err << "chpimport: nothing imported; import these projects one at a time, or each "
                  "below a folder of its own\n";
        errors.insert(errors.end(), clashes.begin(), clashes.end());
        return finish(kExitUsage);
    }

    const std::size_t count = search.projects.size();
    unsigned jobs = options.jobs > 0 ? options.jobs : std::thread::hardware_concurrency();
    jobs = static_cast<unsigned>(std::clamp<std::size_t>(jobs, 1, count));
    std::vector<WorkDir> works;
    for (unsigned w = 0; w < jobs; ++w) {
        std::optional<WorkDir> work = WorkDir::Create();
        if (!work) {
            const std::string error = "cannot create a working folder in the temporary directory";
            io.err << "chpimport: " << error << "\n";
            errors.push_back(error);
            return finish(std::max(status, kExitFailed));
        }
        works.push_back(std::move(*work));
    }

    InterruptScope interrupts;
    if (jobs > 1) {
        results = ImportAtOnce(search.projects, placements, options, works, progress);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            const FoundProject& project = search.projects[i];
            if (gInterrupted) {
                results.push_back(NotStarted(project, placements[i]));
                continue;
            }
            if (count > 1) progress.out << (i > 0 ? "\n" : "") << Heading(i, count, project);
            results.push_back(
                RunProject(project, placements[i], options, works[0].Path(), 0, progress));
        }
    }
    for (const ProjectResult& result : results) status = std::max(status, ExitStatus(result));
    if (count > 1) {
        progress.out << "\n";
        PrintSummary(progress.out, results);
    }
    return finish(status);
}

} // namespace chpimport::cli
