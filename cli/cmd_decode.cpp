#include <ostream>
#include <string>

#include "audio/voc_decoder.hpp"
#include "base/file.hpp"
#include "cli/cli.hpp"

namespace chpimport::cli {
namespace {

// `text` in a column of `width` characters, on its right or (negative width) its left.
std::string Column(std::string text, int width) {
    const auto size = static_cast<std::size_t>(width < 0 ? -width : width);
    if (text.size() < size) text.insert(width < 0 ? text.size() : 0, size - text.size(), ' ');
    return text;
}

void PrintBlock(std::ostream& out, const VocBlockNote& block) {
    const std::string type = std::to_string(block.type) + " " + VocBlockName(block.type);
    // The terminator has no length field.
    const std::string length = block.type != 0 ? std::to_string(block.length) : "";
    const std::string rate = block.rate != 0 ? std::to_string(block.rate) + " Hz" : "";
    out << Column(std::to_string(block.offset), 8) << "  " << Column(type, -26) << " "
        << Column(length, 8) << " " << Column(rate, 11) << "  " << block.action << "\n";
}

} // namespace

int CmdDecode(const DecodeOptions& options, Streams io) {
    const std::string& vocPath = options.voc;
    const std::string& wavePath = options.wave;
    const bool listBlocks = options.blocks;
    if (IsSameFile(vocPath, wavePath)) {
        io.err << "chpimport: decode: " << wavePath << " is the VOC file itself\n";
        return kExitUsage;
    }

    // The samples go to a file beside OUT.wav that replaces it only once the decode has
    // succeeded: a failed decode leaves no half-written OUT.wav and keeps an older one.
    const std::string partPath = wavePath + ".part";
    VocTrailer trailer;
    std::string reason;
    // The failure reason says everything a "Disk Error" box would; no second line for it.
    SilentMessageSink messages;
    VocDecodeNotes notes;
    if (listBlocks) {
        io.out << "  offset  type                         length        rate  what was done\n";
        notes.onBlock = [&io](const VocBlockNote& block) { PrintBlock(io.out, block); };
    }
    if (VocToWave(vocPath, partPath, trailer, messages, &reason, &notes) == 0) {
        RemoveFile(partPath);
        // The user knows the file by the name they gave.
        for (std::size_t at = reason.find(partPath); at != std::string::npos;
             at = reason.find(partPath, at + wavePath.size()))
            reason.replace(at, partPath.size(), wavePath);
        io.err << vocPath << ": " << reason << "\n";
        return kExitFailed;
    }
    if (IsRegularFile(partPath)) {
        if (!RenameFile(partPath, wavePath)) {
            RemoveFile(partPath);
            io.err << wavePath << ": could not replace the file\n";
            return kExitFailed;
        }
    } else {
        io.err << vocPath << ": no sound block; " << wavePath << " not written\n";
    }
    io.out << "Chip code: " << static_cast<unsigned>(trailer.ChipCode()) << "\n"
           << "Row count: " << trailer.RowCount() << "\n";
    return kExitOk;
}

} // namespace chpimport::cli
