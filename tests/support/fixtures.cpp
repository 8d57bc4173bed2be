#include "support/fixtures.hpp"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fixtures {

void PutLe16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLe32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(Bytes& out, std::string_view text) {
    for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
}

void PutField(Bytes& out, std::string_view text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write fixture " + path.string());
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& path) {
    Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            base / ("chpimport-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& path)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
}

ScopedCurrentDir::~ScopedCurrentDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
}

ChpBuilder& ChpBuilder::Message(std::uint16_t address, std::string vocName) {
    entries.push_back(
        {static_cast<std::uint16_t>(entries.size() + 1), address, std::move(vocName)});
    messageCount = static_cast<std::uint16_t>(entries.size());
    return *this;
}

Bytes ChpBuilder::Build() const {
    Bytes out;
    PutField(out, bannerPrefix + banner, 58);
    PutField(out, copyright, 18);
    PutField(out, projectName, 28);
    PutField(out, chipType, 18);
    PutField(out, "", 17);
    out.push_back(0);
    out.push_back(0);
    out.push_back(chipCode);
    PutLe16(out, messageCount);
    for (const ChpEntry& entry : entries) {
        PutLe16(out, entry.number);
        PutLe16(out, entry.address);
        PutField(out, entry.vocName, 12);
    }
    return out;
}

VocBuilder& VocBuilder::Sound(std::uint8_t timeConstant, const Bytes& samples, std::uint8_t pack) {
    return SoundWithLength(static_cast<std::uint32_t>(samples.size() + 2), timeConstant, samples,
                           pack);
}

VocBuilder& VocBuilder::SoundWithLength(std::uint32_t length, std::uint8_t timeConstant,
                                        const Bytes& body, std::uint8_t pack) {
    blocks.push_back(1);
    for (int i = 0; i < 3; ++i) blocks.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    blocks.push_back(timeConstant);
    blocks.push_back(pack);
    blocks.insert(blocks.end(), body.begin(), body.end());
    return *this;
}

VocBuilder& VocBuilder::Silence(std::uint32_t samples, std::uint8_t timeConstant) {
    Bytes body;
    PutLe16(body, static_cast<std::uint16_t>(samples - 1));
    body.push_back(timeConstant);
    return Block(3, body);
}

VocBuilder& VocBuilder::Extended(std::uint16_t timeConstant, std::uint8_t pack, std::uint8_t mode) {
    Bytes body;
    PutLe16(body, timeConstant);
    body.push_back(pack);
    body.push_back(mode);
    return Block(8, body);
}

VocBuilder& VocBuilder::NewSound(std::uint32_t rate, std::uint8_t bits, std::uint8_t channels,
                                 std::uint16_t codec, const Bytes& samples) {
    Bytes body;
    PutLe32(body, rate);
    body.push_back(bits);
    body.push_back(channels);
    PutLe16(body, codec);
    PutLe32(body, 0);
    body.insert(body.end(), samples.begin(), samples.end());
    return Block(9, body);
}

VocBuilder& VocBuilder::Block(std::uint8_t type, const Bytes& body) {
    blocks.push_back(type);
    auto length = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 3; ++i) blocks.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    blocks.insert(blocks.end(), body.begin(), body.end());
    return *this;
}

VocBuilder& VocBuilder::Raw(const Bytes& bytes) {
    blocks.insert(blocks.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes VocBuilder::Build() const {
    Bytes out;
    PutText(out, signature);
    out.push_back(eofMark);
    PutLe16(out, headerSize);
    PutLe16(out, version);
    PutLe16(out, autoChecksum ? ChecksumFor(version) : checksum);
    out.insert(out.end(), blocks.begin(), blocks.end());
    if (terminator) out.push_back(0);
    Bytes trailer(trailerSize, 0);
    if (trailerSize >= 24) {
        std::size_t base = trailerSize - 24;
        trailer[base] = chipCode;
        trailer[base + 1] = static_cast<std::uint8_t>(rowCount & 0xFF);
        trailer[base + 2] = static_cast<std::uint8_t>(rowCount >> 8);
    }
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

WavBuilder& WavBuilder::Samples16(const std::vector<std::int16_t>& samples) {
    data.clear();
    for (std::int16_t s : samples) PutLe16(data, static_cast<std::uint16_t>(s));
    return *this;
}

Bytes WavBuilder::Build() const {
    Bytes fmt;
    PutLe16(fmt, formatTag);
    PutLe16(fmt, channels);
    PutLe32(fmt, sampleRate);
    PutLe32(fmt, sampleRate * blockAlign);
    PutLe16(fmt, blockAlign);
    PutLe16(fmt, bitsPerSample);
    while (fmt.size() < fmtSize) fmt.push_back(0);
    fmt.resize(fmtSize);

    Bytes body;
    PutText(body, waveId.substr(0, 4));
    PutText(body, fmtId.substr(0, 4));
    PutLe32(body, fmtSize);
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (fmtSize % 2) body.push_back(0);
    PutText(body, dataId.substr(0, 4));
    PutLe32(body, autoDataSize ? static_cast<std::uint32_t>(data.size()) : dataSize);
    body.insert(body.end(), data.begin(), data.end());
    if (data.size() % 2) body.push_back(0);
    body.insert(body.end(), afterData.begin(), afterData.end());

    Bytes out;
    PutText(out, riffId.substr(0, 4));
    PutLe32(out, autoRiffSize ? static_cast<std::uint32_t>(body.size()) : riffSize);
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), beyondRiff.begin(), beyondRiff.end());
    return out;
}

Bytes Chunk(std::string_view id, const Bytes& body) {
    Bytes out;
    PutText(out, id.substr(0, 4));
    PutLe32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
    return out;
}

FailIo::FailIo(chpimport::IoOp op, int nth, bool sticky) : op_(op), nth_(nth), sticky_(sticky) {
    chpimport::SetIoFaultHook(&FailIo::Hook, this);
}

FailIo::~FailIo() {
    chpimport::SetIoFaultHook(nullptr, nullptr);
}

bool FailIo::Hook(chpimport::IoOp op, void* context) {
    auto* self = static_cast<FailIo*>(context);
    if (op != self->op_) return false;
    ++self->seen_;
    return self->sticky_ ? self->seen_ >= self->nth_ : self->seen_ == self->nth_;
}

LimitIo::LimitIo(chpimport::IoOp op, std::uint64_t bytes) : op_(op), left_(bytes) {
    chpimport::SetIoLimitHook(&LimitIo::Hook, this);
}

LimitIo::~LimitIo() {
    chpimport::SetIoLimitHook(nullptr, nullptr);
}

std::size_t LimitIo::Hook(chpimport::IoOp op, std::size_t count, void* context) {
    auto* self = static_cast<LimitIo*>(context);
    if (op != self->op_) return count;
    const std::size_t allowed = count < self->left_ ? count : static_cast<std::size_t>(self->left_);
    self->left_ -= allowed;
    return allowed;
}

} // namespace fixtures
