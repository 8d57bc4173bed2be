#include "audio/resample/canonical_header.hpp"

#include "base/bytes.hpp"

namespace chpimport {
namespace {

class Writer {
public:
    explicit Writer(HeaderBytes& out) : out_(out) {}
    void Id(const std::array<char, 4>& id) {
        for (char c : id) out_[pos_++] = static_cast<std::uint8_t>(c);
    }
    void U16(std::uint16_t v) {
        PutLe16(out_.data() + pos_, v);
        pos_ += 2;
    }
    void U32(std::uint32_t v) {
        PutLe32(out_.data() + pos_, v);
        pos_ += 4;
    }

private:
    HeaderBytes& out_;
    std::size_t pos_ = 0;
};

class Reader {
public:
    explicit Reader(const HeaderBytes& in) : in_(in) {}
    std::array<char, 4> Id() {
        std::array<char, 4> id{};
        for (char& c : id) c = static_cast<char>(in_[pos_++]);
        return id;
    }
    std::uint16_t U16() {
        const std::uint16_t v = Le16(in_.data() + pos_);
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        const std::uint32_t v = Le32(in_.data() + pos_);
        pos_ += 4;
        return v;
    }

private:
    const HeaderBytes& in_;
    std::size_t pos_ = 0;
};

std::array<char, 4> MakeId(const char (&text)[5]) {
    return {text[0], text[1], text[2], text[3]};
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

HeaderBytes EncodeHeader(const CanonicalWaveHeader& h) {
    HeaderBytes bytes{};
    Writer w(bytes);
    w.Id(h.RiffId);
    w.U32(h.RiffSize);
    w.Id(h.WaveId);
    w.Id(h.FmtId);
    w.U32(h.FmtSize);
    w.U16(h.FormatTag);
    w.U16(h.Channels);
    w.U32(h.SampleRate);
    w.U32(h.ByteRate);
    w.U16(h.BlockAlign);
    w.U16(h.BitsPerSample);
    w.Id(h.DataId);
    w.U32(h.DataSize);
    return bytes;
}

CanonicalWaveHeader DecodeHeader(const HeaderBytes& bytes) {
    Reader r(bytes);
    CanonicalWaveHeader h;
    h.RiffId = r.Id();
    h.RiffSize = r.U32();
    h.WaveId = r.Id();
    h.FmtId = r.Id();
    h.FmtSize = r.U32();
    h.FormatTag = r.U16();
    h.Channels = r.U16();
    h.SampleRate = r.U32();
    h.ByteRate = r.U32();
    h.BlockAlign = r.U16();
    h.BitsPerSample = r.U16();
    h.DataId = r.Id();
    h.DataSize = r.U32();
    return h;
}

CanonicalWaveHeader InitialOutputHeader() {
    CanonicalWaveHeader h;
    h.RiffId = MakeId("RIFF");
    h.WaveId = MakeId("WAVE");
    h.FmtId = MakeId("fmt ");
    h.FmtSize = 16;
    h.FormatTag = 1;
    h.Channels = 1;
    h.DataId = MakeId("data");
    return h;
}

bool SameIdIgnoringCase(std::string_view bytes, std::string_view id) {
    if (bytes.size() < id.size()) return false;
    for (std::size_t i = 0; i < id.size(); ++i)
        if (Lower(bytes[i]) != Lower(id[i])) return false;
    return true;
}

} // namespace chpimport
