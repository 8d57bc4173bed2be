// Whole imports as the dialog runs them, from the CHP file to the project file, the table
// file and the debug log.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "base/message_sink.hpp"
#include "chp/message_import.hpp"
#include "project/project_files.hpp"
#include "project/project_importer.hpp"
#include "support/demo_example.hpp"
#include "support/fixtures.hpp"
#include "support/message_recorder.hpp"

namespace chpimport {
namespace {

struct Voc {
    std::string name;
    std::uint16_t address;
    std::uint16_t rowCount;
    bool present = true;
    std::uint8_t chipCode = 5;
};

class ImportOutputs : public ::testing::Test {
protected:
    // The project in its own folder, which is also the current directory (for debug.bid).
    void WriteProject(const std::vector<Voc>& messages) {
        fixtures::ChpBuilder builder;
        for (const Voc& m : messages) {
            builder.Message(m.address, m.name);
            if (!m.present) continue;
            fixtures::VocBuilder voc;
            voc.chipCode = m.chipCode;
            voc.rowCount = m.rowCount;
            // ISD2560 at 11111 Hz: 27.7775 samples per row count; twice that as input.
            fixtures::Bytes samples(static_cast<std::size_t>(m.rowCount) * 56 + 64);
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<std::uint8_t>(128 + 60 * std::sin(0.1 * double(i)));
            voc.Sound(166, samples);
            fixtures::WriteFile(dir.File(m.name), voc.Build());
        }
        fixtures::WriteFile(chp, builder.Build());
    }

    // Import, then every step, then completion and OK, in the dialog's order.
    void RunImport(std::int16_t messageCount) {
        session.ProjectPath = chp;
        session.MessageCount = messageCount;
        session.ChipName = "ISD2560";
        session.TableFile = OpenTableFile(session.ProjectPath, session.ChipName);
        WriteProjectSettings(session, session.ProjectPath);
        session.DebugLog = OpenDebugLog();
        for (session.MessageNumber = 1; session.MessageNumber <= messageCount;
             ++session.MessageNumber) {
            std::string wavePath;
            std::int16_t length = 0;
            std::int16_t address =
                ImportMessage(env, session.ProjectPath, session.MessageNumber, wavePath, length);
            if (address < 0) continue;
            WriteMessageSettings(session.ProjectFilePath, session.MessageNumber, wavePath, address,
                                 length);
            WriteTableEntry(session.TableFile.get(), session.MessageNumber, address, wavePath,
                            session.DurationMs);
        }
        CloseDebugLog(session.DebugLog);
        CloseTableFile(session.TableFile);
    }

    std::string Path(const std::string& name) const { return dir.File(name); }

    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cwd{dir.path()};
    fixtures::TempDir work;
    std::string chp = dir.File("DEMO.CHP");
    SilentMessageSink sink;
    SampleRateConverter converter{sink, [] { return -1; }};
    ImportSession session;
    ImportEnvironment env{session, converter, sink, work.path().string()};
};

TEST_F(ImportOutputs, TwoMessageProject) {
    WriteProject({{"MESSAGE1.VOC", 0, 160}, {"MESSAGE2.VOC", 40, 100}});
    RunImport(2);
    const std::string wav1 = Path("MESSAGE1.wav"), wav2 = Path("MESSAGE2.wav");
    EXPECT_EQ(fixtures::ReadText(Path("DEMO.zpf")), fixtures::DemoProjectFile(wav1, wav2));
    EXPECT_EQ(fixtures::ReadText(Path("DEMO.tbl")), fixtures::DemoTableFile(chp, wav1, wav2));
    EXPECT_EQ(fixtures::ReadText(Path("debug.bid")),
              "file " + Path("MESSAGE1.VOC") + " nb [1] addr [0000] rows A0 00\r\n" + "file " +
                  Path("MESSAGE2.VOC") + " nb [2] addr [0028] rows 64 00\r\n");
    // No working file in the current directory.
    EXPECT_FALSE(IsRegularFile(Path("tmp.wav")));
    EXPECT_FALSE(IsRegularFile(Path("tmp1.wav")));
}

TEST_F(ImportOutputs, FailedMiddleMessageLeavesAGap) {
    WriteProject(
        {{"MESSAGE1.VOC", 0, 160}, {"MESSAGE2.VOC", 40, 100, false}, {"MESSAGE3.VOC", 65, 40}});
    RunImport(3);
    const std::string wav1 = Path("MESSAGE1.wav"), wav3 = Path("MESSAGE3.wav");
    EXPECT_EQ(fixtures::ReadText(Path("DEMO.zpf")),
              "[KZ_ISD_PROJECT]\r\nnb_files=3\r\nchip_selected=ISD2560\r\n"
              "file1=" +
                  wav1 +
                  " [10 40]*\r\n"
                  "file3=" +
                  wav3 +
                  " [165 75]*\r\n"
                  "[KZ_ISD_CONCAT]\r\nnb_conc=3\r\n"
                  "conc1=CONC1\r\nconc_list1=1\r\n"
                  "conc3=CONC3\r\nconc_list3=3\r\n");
    const std::string table = fixtures::ReadText(Path("DEMO.tbl"));
    EXPECT_NE(table.find("WORD0000\r\n"), std::string::npos);
    EXPECT_EQ(table.find("WORD0001"), std::string::npos);
    EXPECT_NE(table.find("WORD0002\r\n\tDATA\t0041\t;[" + wav3 + "][1000 msec]"),
              std::string::npos);
    // The failed message has its line too, with no row bytes.
    EXPECT_NE(fixtures::ReadText(Path("debug.bid"))
                  .find("file " + Path("MESSAGE2.VOC") + " nb [2] addr [0028] rows 00 00\r\n"),
              std::string::npos);
}

// Each message prepared ahead while the one before waits for the disk: the same files, debug
// log, messages and step reports as one message after the other, in both modes, with a
// message that fails, a chip renamed on the way and two messages of one VOC (and WAV) file.
TEST_F(ImportOutputs, PreparedAheadImportsTheSame) {
    WriteProject({{"MESSAGE1.VOC", 0, 160},
                  {"MESSAGE2.VOC", 40, 100, false},
                  {"MESSAGE3.VOC", 65, 40, true, 8},
                  {"MESSAGE3.VOC", 80, 40, true, 8},
                  {"MESSAGE5.VOC", 90, 30, true, 0}});
    struct Run {
        std::vector<std::string> steps;
        std::vector<std::string> messages;
        std::map<std::string, std::string> files;
    };
    for (bool zuvan : {false, true}) {
        Run runs[2];
        for (bool ahead : {false, true}) {
            for (const char* output : {"MESSAGE1.wav", "MESSAGE3.wav", "MESSAGE5.wav", "DEMO.zpf",
                                       "DEMO.tbl", "debug.bid"})
                RemoveFile(Path(output));
            fixtures::MessageRecorder recorder;
            SampleRateConverter fresh{recorder, [] { return -1; }};
            ProjectImporter importer(fresh, recorder, work.path().string());
            importer.PrepareAhead(ahead);
            ASSERT_EQ(importer.Start(chp, zuvan, OutputPlacement{}),
                      ProjectImporter::StartStatus::Started);
            Run& run = runs[ahead];
            for (bool last = false; !last;) {
                const ProjectImporter::Step step = importer.ImportNext();
                const MessageResult& message = importer.Result().messages.back();
                run.steps.push_back(std::to_string(step.number) + " " +
                                    std::to_string(step.address) + " " + step.wavePath + " " +
                                    message.failure + " " + importer.Session().ChipName + " " +
                                    std::to_string(message.warnings.size()));
                last = step.last;
            }
            // Messages 2, 4 and 5 (message 2's failure prepares nothing for message 3).
            EXPECT_EQ(importer.TakenAhead(), ahead ? 3 : 0);
            EXPECT_EQ(importer.Finish(), nullptr);
            importer.Close();
            for (const auto& m : recorder.messages) run.messages.push_back(m.caption + m.text);
            for (const char* output : {"MESSAGE1.wav", "MESSAGE3.wav", "MESSAGE5.wav", "DEMO.zpf",
                                       "DEMO.tbl", "debug.bid"})
                run.files[output] = fixtures::ReadText(Path(output));
        }
        EXPECT_EQ(runs[0].steps, runs[1].steps) << zuvan;
        EXPECT_EQ(runs[0].messages, runs[1].messages) << zuvan;
        for (const auto& [name, bytes] : runs[0].files) {
            EXPECT_FALSE(bytes.empty()) << name;
            EXPECT_EQ(bytes, runs[1].files[name]) << name << " " << zuvan;
        }
        EXPECT_FALSE(IsRegularFile(work.path().string() + "/tmp1.wav"));
    }
}

} // namespace
} // namespace chpimport
