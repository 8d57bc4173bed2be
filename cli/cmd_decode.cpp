#include <ostream>

#include "audio/voc_decoder.hpp"
#include "base/file.hpp"
#include "cli/cli.hpp"

namespace chpimport::cli {

int CmdDecode(const DecodeOptions& options, Streams io) {
    const std::string& vocPath = options.voc;
    const std::string& wavePath = options.wave;
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
    if (VocToWave(vocPath, partPath, trailer, messages, &reason) == 0) {
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
