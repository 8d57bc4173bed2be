// Power cuts, simulated as databases test themselves: an import over the files of an earlier
// one runs on a file system in memory that records every operation the disk receives. For
// every point of that record, and for each way the operations not yet made durable there
// (written but not synced; renamed, created or deleted in a folder not synced since) may have
// reached the disk or not, the test builds the files a restart would find and checks them:
// each file of the project is its old or its new version, complete; the .zpf keeps every key
// it had, and, once the import is reported complete, every key and file of it; and the next
// import completes. (Each step's report holds at once against a crash of the process alone:
// the kill test checks that.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/import_dialog.hpp"
#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "base/memory_file_system.hpp"
#include "base/message_sink.hpp"
#include "fuzz/harness/scratch.hpp"
#include "res/resource_ids.h"
#include "support/fixtures.hpp"
#include "support/ini_reader.hpp"
#include "support/scripted_dialog.hpp"

namespace chpimport {
namespace {

using Event = MemoryFileSystem::Event;
using Kind = Event::Kind;
using fuzzing::ReadBytes;
using fuzzing::WriteText;

constexpr int kMessages = 3;
const std::string kProject = "/project"; // the CHP, VOC, WAV, .zpf and .tbl files
const std::string kChp = kProject + "/DEMO.CHP";
const std::string kZpf = kProject + "/DEMO.zpf";
const std::string kTbl = kProject + "/DEMO.tbl";
const char* const kOldZpf = "[KZ_ISD_PROJECT]\r\nnb_files=9\r\nchip_selected=OLD\r\n"
                            "file1=old1\r\nfile9=old9\r\n[KZ_ISD_CONCAT]\r\nnb_conc=9\r\n"
                            "conc1=old\r\nconc9=CONC9\r\n[Zuvan]\r\nkeep=me\r\n";
const char* const kOldTbl = "previous table\r\n";

std::string Wave(int n) {
    return kProject + "/MSG0000" + std::to_string(n) + ".wav";
}

std::string Text(const fixtures::Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The files of a project that an earlier import left, in the file system in use.
void WriteEarlierProject() {
    CreateFolder(kProject);
    CreateFolder("/work");
    CreateFolder("/run");
    fixtures::ChpBuilder chp;
    for (int n = 1; n <= kMessages; ++n) {
        const std::string voc = "MSG0000" + std::to_string(n) + ".VOC";
        chp.Message(static_cast<std::uint16_t>(20 * (n - 1)), voc);
        fixtures::VocBuilder message;
        message.rowCount = static_cast<std::uint16_t>(n - 1); // 0: the whole message
        fixtures::Bytes samples(40 + 8 * n);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::uint8_t>(i * 29 + n);
        message.Sound(211, samples);
        WriteText(kProject + "/" + voc, Text(message.Build()));
        WriteText(Wave(n), "earlier WAV file " + std::to_string(n));
    }
    WriteText(kChp, Text(chp.Build()));
    WriteText(kZpf, kOldZpf);
    WriteText(kTbl, kOldTbl);
}

// What the import had reported done, and when: the size of the record at that moment.
struct Promises {
    std::map<int, std::size_t> wave; // message n's WAV file written
    std::map<int, std::size_t> keys; // the keys of messages 1..n (0: the summary keys)
    std::size_t complete = SIZE_MAX; // the completion box: all of it, table entries too
    std::size_t closed = SIZE_MAX;   // OK: the table file finished
};

class WatchingDialog : public fixtures::ScriptedDialog {
public:
    explicit WatchingDialog(const std::vector<Event>* journal = nullptr) : journal_(journal) {}
    void SetItemText(int id, const std::string& text) override {
        ScriptedDialog::SetItemText(id, text);
        if (id == IDC_FILENAME && journal_) promises.wave[number_] = journal_->size();
        if (id == IDC_STATUS && text != " ") statuses.push_back(text);
    }
    void SetItemNumber(int id, unsigned value) override {
        ScriptedDialog::SetItemNumber(id, value);
        if (id != IDC_FILENUMBER) return;
        number_ = static_cast<int>(value);
        if (journal_) promises.keys[number_ - 1] = journal_->size();
    }
    void Inform(const std::string& text, const std::string& caption) override {
        ScriptedDialog::Inform(text, caption);
        if (journal_) promises.complete = journal_->size();
    }
    Promises promises;
    std::vector<std::string> statuses;

private:
    const std::vector<Event>* journal_;
    int number_ = 0;
};

// Imports the project and presses OK; true when it completed without a word of failure.
bool Import(WatchingDialog& ops) {
    SilentMessageSink sink;
    SampleRateConverter converter(sink, [] { return -1; });
    ImportDialog dialog(ops, converter, sink, "/work");
    ops.Attach(dialog);
    ops.SetItemText(IDC_PATH, kChp);
    ops.Click(IDC_IMPORT);
    ops.RunUntil([&] { return dialog.Session().Importing == 0; });
    ops.Click(IDC_OK);
    return ops.informs.size() == 1 && ops.statuses.empty();
}

// A disk's names and the data of its files, by the files' identities.
struct DiskState {
    struct Name {
        std::string path;
        std::uint64_t file; // 0: a folder
    };
    std::map<std::string, Name> names; // by MemoryFileSystem::Key
    std::map<std::uint64_t, std::string> data;

    void Apply(const Event& e) {
        switch (e.kind) {
        case Kind::CreateFile:
            names[MemoryFileSystem::Key(e.path)] = {e.path, e.file};
            break;
        case Kind::Truncate:
            data[e.file].clear();
            break;
        case Kind::Write: {
            std::string& d = data[e.file];
            if (d.size() < e.offset + e.bytes.size()) d.resize(e.offset + e.bytes.size(), '\0');
            d.replace(e.offset, e.bytes.size(), e.bytes);
            break;
        }
        case Kind::Rename:
            names.erase(MemoryFileSystem::Key(e.path));
            names[MemoryFileSystem::Key(e.to)] = {e.to, e.file};
            break;
        case Kind::Remove:
            names.erase(MemoryFileSystem::Key(e.path));
            break;
        case Kind::CreateFolder:
            names[MemoryFileSystem::Key(e.path)] = {e.path, 0};
            break;
        case Kind::SyncFile:
        case Kind::SyncFolder:
            break;
        }
    }
    // The project's files: what the checks compare and what tells states apart.
    std::map<std::string, std::string> ProjectFiles() const {
        std::map<std::string, std::string> files;
        for (const auto& [key, name] : names)
            if (name.file != 0 && name.path.rfind(kProject + "/", 0) == 0)
                files[name.path] = data.count(name.file) ? data.at(name.file) : "";
        return files;
    }
};

std::string Folder(const std::string& path) {
    return path.substr(0, std::max<std::size_t>(path.rfind('/'), 1));
}

// The events of the record that concern the project's folder, with their places in it.
struct Record {
    std::vector<Event> events;
    std::vector<std::size_t> at;
};

Record ProjectEvents(const std::vector<Event>& journal, const DiskState& before) {
    std::set<std::uint64_t> files;
    for (const auto& [key, name] : before.names)
        if (name.file != 0 && name.path.rfind(kProject, 0) == 0) files.insert(name.file);
    Record record;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        const Event& e = journal[i];
        const bool named = e.path.rfind(kProject, 0) == 0 || e.to.rfind(kProject, 0) == 0;
        if (named && e.file != 0) files.insert(e.file);
        if (named || files.count(e.file)) {
            record.events.push_back(e);
            record.at.push_back(i);
        }
    }
    return record;
}

// Whether event `i` of the first `count` is on the disk for certain: its data synced since,
// or the folders of its names.
std::vector<bool> Durable(const std::vector<Event>& events, std::size_t count) {
    std::vector<bool> durable(count, false);
    std::set<std::uint64_t> syncedFiles;
    std::set<std::string> syncedFolders;
    for (std::size_t i = count; i-- > 0;) {
        const Event& e = events[i];
        switch (e.kind) {
        case Kind::SyncFile:
            syncedFiles.insert(e.file);
            durable[i] = true;
            break;
        case Kind::SyncFolder:
            syncedFolders.insert(MemoryFileSystem::Key(e.path));
            durable[i] = true;
            break;
        case Kind::Truncate:
        case Kind::Write:
            durable[i] = syncedFiles.count(e.file) > 0;
            break;
        case Kind::Rename:
            durable[i] = syncedFolders.count(MemoryFileSystem::Key(Folder(e.path))) &&
                         syncedFolders.count(MemoryFileSystem::Key(Folder(e.to)));
            break;
        case Kind::CreateFile:
        case Kind::Remove:
        case Kind::CreateFolder:
            durable[i] = syncedFolders.count(MemoryFileSystem::Key(Folder(e.path))) > 0;
            break;
        }
    }
    return durable;
}

class PowerCut : public ::testing::Test {
protected:
    void SetUp() override {
        UseFileSystem(&memory_);
        WriteEarlierProject();
        memory_.SetCurrentFolder("/run");
        for (const auto& [path, node] : memory_.Tree()) {
            before_.names[MemoryFileSystem::Key(path)] = {path, node.folder ? 0 : node.file};
            if (!node.folder) before_.data[node.file] = node.data;
        }
        memory_.Record(&journal_);
        WatchingDialog ops(&journal_);
        ASSERT_TRUE(Import(ops));
        promises_ = ops.promises;
        promises_.closed = journal_.size();
        memory_.Record(nullptr);
        for (int n = 1; n <= kMessages; ++n) newWaves_[n] = ReadBytes(Wave(n));
        newZpf_ = ReadBytes(kZpf);
        newTbl_ = ReadBytes(kTbl);
        UseFileSystem(nullptr);
    }
    void TearDown() override { UseFileSystem(nullptr); }

    // Every violation of the rules at every point and in every way, or the first only.
    std::vector<std::string> Violations(const std::vector<Event>& journal, bool firstOnly) {
        const Record record = ProjectEvents(journal, before_);
        std::vector<std::string> found;
        std::map<std::map<std::string, std::string>, bool> restarted;
        points_ = record.events.size() + 1;
        ways_ = 0;
        for (std::size_t point = 0; point <= record.events.size(); ++point) {
            const std::size_t now = point < record.at.size() ? record.at[point] : SIZE_MAX;
            const std::vector<bool> durable = Durable(record.events, point);
            std::vector<std::size_t> pending;
            for (std::size_t i = 0; i < point; ++i)
                if (!durable[i]) pending.push_back(i);
            // None of the pending operations, all, all but one, and one alone.
            std::vector<std::set<std::size_t>> ways = {{}};
            ways.emplace_back(pending.begin(), pending.end());
            for (std::size_t p : pending) {
                std::set<std::size_t> allBut(pending.begin(), pending.end());
                allBut.erase(p);
                ways.push_back(allBut);
                ways.push_back({p});
            }
            for (const std::set<std::size_t>& way : ways) {
                ++ways_;
                DiskState disk = before_;
                for (std::size_t i = 0; i < point; ++i)
                    if (durable[i] || way.count(i)) disk.Apply(record.events[i]);
                const auto files = disk.ProjectFiles();
                std::string broken = Check(files, now);
                if (broken.empty()) {
                    auto [it, fresh] = restarted.try_emplace(files, false);
                    if (fresh) it->second = ImportsAfterRestart(files);
                    if (!it->second) broken = "the next import did not complete";
                }
                if (broken.empty()) continue;
                found.push_back("at event " + std::to_string(point) + " of " +
                                std::to_string(record.events.size()) + " (" +
                                std::to_string(way.size()) + " of " +
                                std::to_string(pending.size()) + " pending): " + broken);
                if (firstOnly) return found;
            }
        }
        restarts_ = restarted.size();
        return found;
    }

    // The files a restart finds at the moment `now` of the record; "" when they keep the rules.
    std::string Check(const std::map<std::string, std::string>& files, std::size_t now) const {
        auto promised = [&](std::size_t when) { return when <= now; };
        // The steps' files and keys are on the disk with their folder, synced at completion.
        auto stepPromised = [&](std::size_t when) {
            return promised(when) && promised(promises_.complete);
        };
        if (!files.count(kZpf)) return "the project file is gone";
        const fixtures::IniFile zpf(files.at(kZpf));
        for (const fixtures::IniLine& line : zpf.Lines())
            if (!line.crlf || line.kind == fixtures::IniLine::Kind::Blank)
                return "the project file holds a broken line";
        const fixtures::IniFile old(kOldZpf), reference(newZpf_);
        for (const auto& [section, key] : old.Keys()) {
            const auto value = zpf.Value(section, key);
            if (value != old.Value(section, key) && value != reference.Value(section, key))
                return "the project file lost the key " + key;
        }
        int keysPromised = -1;
        for (const auto& [n, when] : promises_.keys)
            if (stepPromised(when)) keysPromised = std::max(keysPromised, n);
        if (promised(promises_.complete)) keysPromised = kMessages;
        for (const auto& [section, key] : reference.Keys()) {
            const std::string digits =
                key.substr(key.find_first_of("0123456789") == std::string::npos
                               ? key.size()
                               : key.find_first_of("0123456789"));
            const int n = digits.empty() ? 0 : std::stoi(digits);
            if (n <= keysPromised && zpf.Value(section, key) != reference.Value(section, key))
                return "the project file lacks the key " + key + ", reported written";
        }
        for (int n = 1; n <= kMessages; ++n) {
            const auto it = files.find(Wave(n));
            const bool isNew = it != files.end() && it->second == newWaves_.at(n);
            if (!isNew && (it == files.end() || it->second != before_.ProjectFile(Wave(n))))
                return "WAV file " + std::to_string(n) + " is neither the old nor the new one";
            const auto when = promises_.wave.find(n);
            if (!isNew && when != promises_.wave.end() && stepPromised(when->second))
                return "WAV file " + std::to_string(n) + " is not the one reported written";
        }
        if (!files.count(kTbl)) return "the table file is gone";
        const std::string& tbl = files.at(kTbl);
        const std::string banner = newTbl_.substr(0, newTbl_.find("WORD"));
        const std::string entries = newTbl_.substr(0, newTbl_.rfind("CONC"));
        if (tbl != kOldTbl && tbl.rfind(banner, 0) != 0) return "the table file is cut short";
        if (keysPromised >= 0 && tbl.rfind(banner, 0) != 0)
            return "the table file is not the new one";
        if (promised(promises_.complete) && tbl.rfind(entries, 0) != 0)
            return "the table file lacks entries, reported done";
        if (promised(promises_.closed) && tbl != newTbl_) return "the table file is not finished";
        return "";
    }

    // A restart on these files: the next import completes and writes everything anew.
    bool ImportsAfterRestart(const std::map<std::string, std::string>& files) {
        MemoryFileSystem restarted;
        UseFileSystem(&restarted);
        CreateFolder(kProject);
        CreateFolder("/work");
        CreateFolder("/run");
        restarted.SetCurrentFolder("/run");
        for (const auto& [path, data] : files) WriteText(path, data);
        WatchingDialog ops;
        bool ok = Import(ops) && ReadBytes(kTbl) == newTbl_;
        const fixtures::IniFile zpf(ReadBytes(kZpf)), reference(newZpf_);
        for (const auto& [section, key] : reference.Keys())
            ok = ok && zpf.Value(section, key) == reference.Value(section, key);
        for (int n = 1; n <= kMessages; ++n) ok = ok && ReadBytes(Wave(n)) == newWaves_.at(n);
        UseFileSystem(nullptr);
        return ok;
    }

    std::vector<Event> Without(Kind kind) const {
        std::vector<Event> kept;
        for (const Event& e : journal_)
            if (e.kind != kind) kept.push_back(e);
        return kept;
    }

    MemoryFileSystem memory_;
    std::vector<Event> journal_;
    std::size_t points_ = 0, ways_ = 0, restarts_ = 0;
    struct Before : DiskState {
        std::string ProjectFile(const std::string& path) const {
            const auto files = ProjectFiles();
            return files.count(path) ? files.at(path) : std::string("<missing>");
        }
    } before_;
    Promises promises_;
    std::map<int, std::string> newWaves_;
    std::string newZpf_, newTbl_;
};

TEST_F(PowerCut, LeavesOldOrNewFilesAndEverythingReportedDone) {
    ASSERT_GT(journal_.size(), 20u);
    for (int n = 1; n <= kMessages; ++n) ASSERT_NE(newWaves_[n], before_.ProjectFile(Wave(n)));
    const std::vector<std::string> violations = Violations(journal_, false);
    EXPECT_TRUE(violations.empty())
        << violations.size() << " violations, the first: " << violations.front();
    std::cout << "  " << points_ << " points, " << ways_ << " ways, " << restarts_
              << " different restarts\n";
    EXPECT_GT(restarts_, 10u);
    // One wait for the project's folder, not one for each file renamed into it.
    EXPECT_EQ(std::count_if(journal_.begin(), journal_.end(),
                            [](const Event& e) { return e.kind == Kind::SyncFolder; }),
              1);
}

// The test sees what the flushes prevent: without the syncs of the data, or of the folders,
// some power cut loses data.
TEST_F(PowerCut, WouldLoseDataWithoutTheFlushes) {
    for (Kind flush : {Kind::SyncFile, Kind::SyncFolder}) {
        const std::vector<std::string> violations = Violations(Without(flush), true);
        EXPECT_FALSE(violations.empty()) << static_cast<int>(flush);
        if (!violations.empty()) std::cout << "  without them: " << violations.front() << "\n";
    }
}

} // namespace
} // namespace chpimport
