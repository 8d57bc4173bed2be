#pragma once
// Plays the same conversions through the reference engine and through the fast engine
// with each kernel the machine can run, and compares everything the conversions leave:
// results, output files, messages, keystrokes asked for, and the converter state the next
// conversion starts from.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/resample/fast_kernels.hpp"
#include "audio/resample/resampler.hpp"
#include "base/file.hpp"
#include "support/converter_fixtures.hpp"

namespace fixtures {

// One conversion: the input file's bytes (none: no input file), the mode, the keystrokes
// for a channel choice, and optionally how many bytes the disk moves in one direction.
struct Step {
    std::optional<Bytes> input;
    bool zuvan = false;
    std::vector<int> keys;
    bool uncreatableOutput = false;
    std::optional<chpimport::IoOp> limitOp;
    std::uint64_t limitBytes = 0;
};

inline Step Convert(const Bytes& input, bool zuvan) {
    Step step;
    step.input = input;
    step.zuvan = zuvan;
    return step;
}

inline Step Limited(Step step, chpimport::IoOp op, std::uint64_t bytes) {
    step.limitOp = op;
    step.limitBytes = bytes;
    return step;
}

// What a conversion leaves behind.
struct Outcome {
    std::int32_t result = 0;
    std::optional<Bytes> output;
    std::vector<std::string> messages;
    std::size_t keyCalls = 0;
    std::int32_t samplesWritten = 0;
    std::uint32_t frameCount = 0;
    std::int32_t selectedChannel = 0;
    bool convertFailed = false;
    bool inputTruncated = false;
    bool outputAttempted = false;
    std::vector<std::uint32_t> history; // bit patterns: -0.0 is not 0.0 here
    std::array<std::uint8_t, 8> inputFrame{};
    chpimport::HeaderBytes inputHeader{};
    chpimport::HeaderBytes outputHeader{};
};

// Either engine: the reference, or the fast one with a given kernel and thread count.
struct EngineChoice {
    const chpimport::GroupKernel* kernel = nullptr; // null: the reference
    std::int32_t threads = 2;
};

inline std::vector<Outcome> Play(const std::vector<Step>& steps, const EngineChoice& engine) {
    ConverterRig rig;
    if (engine.kernel == nullptr) {
        rig.converter.SetEngine(rig.converter.Reference());
    } else {
        rig.converter.Fast().SetKernel(*engine.kernel);
        rig.converter.Fast().SetMaxThreads(engine.threads);
    }
    std::vector<Outcome> outcomes;
    const std::string uncreatable = rig.dir.File("missing/out.wav");
    for (const Step& step : steps) {
        std::filesystem::remove(rig.in);
        if (step.input) WriteFile(rig.in, *step.input);
        rig.keys = step.keys;
        rig.keyCalls = 0;
        rig.messages.messages.clear();
        const std::string& out = step.uncreatableOutput ? uncreatable : rig.out;

        Outcome o;
        {
            std::optional<LimitIo> limit;
            if (step.limitOp) limit.emplace(*step.limitOp, step.limitBytes);
            o.result = rig.converter.ResampleWave(rig.in, out, step.zuvan);
        }
        if (std::filesystem::exists(out)) o.output = ReadFile(out);
        for (const auto& m : rig.messages.messages)
            o.messages.push_back(m.caption + ": " + m.text + " / " + std::to_string(m.style));
        o.keyCalls = rig.keyCalls;
        const chpimport::ConverterState& s = rig.converter.State();
        o.samplesWritten = s.SamplesWritten;
        o.frameCount = s.FrameCount;
        o.selectedChannel = s.SelectedChannel;
        o.convertFailed = s.ConvertFailed;
        o.inputTruncated = s.InputTruncated;
        o.outputAttempted = s.OutputAttempted;
        for (float h : s.FirHistory) o.history.push_back(std::bit_cast<std::uint32_t>(h));
        o.inputFrame = s.InputFrame;
        o.inputHeader = chpimport::EncodeHeader(s.InputWaveHeader);
        o.outputHeader = chpimport::EncodeHeader(s.OutputWaveHeader);
        outcomes.push_back(std::move(o));
    }
    // Every conversion went the fast engine's way: none was handed to the reference.
    EXPECT_EQ(rig.converter.Fast().HandedOver(), 0);
    return outcomes;
}

inline void ExpectSameOutcome(const Outcome& ref, const Outcome& fast) {
    EXPECT_EQ(fast.result, ref.result);
    ASSERT_EQ(fast.output.has_value(), ref.output.has_value());
    if (ref.output) {
        ASSERT_EQ(fast.output->size(), ref.output->size());
        // The first differing byte, not the whole file.
        const auto diff =
            std::mismatch(ref.output->begin(), ref.output->end(), fast.output->begin());
        EXPECT_TRUE(diff.first == ref.output->end())
            << "output files differ from byte " << (diff.first - ref.output->begin());
    }
    EXPECT_EQ(fast.messages, ref.messages);
    EXPECT_EQ(fast.keyCalls, ref.keyCalls);
    EXPECT_EQ(fast.samplesWritten, ref.samplesWritten);
    EXPECT_EQ(fast.frameCount, ref.frameCount);
    EXPECT_EQ(fast.selectedChannel, ref.selectedChannel);
    EXPECT_EQ(fast.convertFailed, ref.convertFailed);
    EXPECT_EQ(fast.inputTruncated, ref.inputTruncated);
    EXPECT_EQ(fast.outputAttempted, ref.outputAttempted);
    EXPECT_TRUE(fast.history == ref.history) << "the histories differ";
    EXPECT_EQ(fast.inputFrame, ref.inputFrame);
    EXPECT_EQ(fast.inputHeader, ref.inputHeader);
    EXPECT_EQ(fast.outputHeader, ref.outputHeader);
}

// The kernels this machine can run, the plain one first.
inline std::vector<const chpimport::GroupKernel*> RunnableKernels() {
    std::vector<const chpimport::GroupKernel*> kernels;
    for (auto isa : {chpimport::KernelIsa::Scalar, chpimport::KernelIsa::Sse2,
                     chpimport::KernelIsa::Avx2, chpimport::KernelIsa::Avx512})
        if (const chpimport::GroupKernel* kernel = chpimport::AvailableGroupKernel(isa))
            kernels.push_back(kernel);
    return kernels;
}

// The steps through the reference once, then through the fast engine with every runnable
// kernel (on `threads` threads at most): every outcome must be the same.
inline void ExpectFastMatchesReference(const std::vector<Step>& steps, std::int32_t threads = 2) {
    const std::vector<Outcome> ref = Play(steps, {});
    for (const chpimport::GroupKernel* kernel : RunnableKernels()) {
        SCOPED_TRACE(std::string("kernel ") + kernel->name);
        const std::vector<Outcome> fast = Play(steps, {kernel, threads});
        ASSERT_EQ(fast.size(), ref.size());
        for (std::size_t i = 0; i < ref.size(); ++i) {
            SCOPED_TRACE("conversion " + std::to_string(i + 1));
            ExpectSameOutcome(ref[i], fast[i]);
        }
    }
}

} // namespace fixtures
