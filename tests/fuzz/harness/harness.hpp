#pragma once
// The fuzz harnesses: each takes one input as libFuzzer hands it over, writes it where the
// real code expects a file and runs that code on it, then checks what must hold whatever
// the input. They return the first broken rule ("" when all held); the fuzz targets abort
// on it, and the regression tests replay the inputs that once broke something.
#include <cstddef>
#include <cstdint>
#include <string>

namespace chpimport {
class FastEngine;
}

namespace fuzzing {

// The converter engine every harness converts with, kept for the whole process as the
// dialog and the command line keep theirs from one message to the next: its buffers (a few
// megabytes) are then allocated once, not once per input, which under the sanitizers cost
// more than the conversion itself. It holds no state of a conversion: each input still gets
// a new converter.
chpimport::FastEngine& SharedEngine();

// The CHP header and directory reader (and `chpimport info`): the input is a CHP file.
std::string RunChpInput(const std::uint8_t* data, std::size_t size);

// VocToWave (and `chpimport decode`): the input is a VOC file.
std::string RunVocInput(const std::uint8_t* data, std::size_t size);

// The converter's input header and sample reader, through ResampleWave at 11111 Hz: the
// input is the WAV file to convert. A multi-channel input gets the input's last byte as its
// first keystroke (a byte below 4, which would end the process, reads as "0"), then "0".
std::string RunConverterInput(const std::uint8_t* data, std::size_t size);

// The chunk walks of CopyWaveRange and ReadDispText, and AppendDispChunk after them: the
// input is a RIFF file.
std::string RunWavePostInput(const std::uint8_t* data, std::size_t size);

// The project file writer: the input is an existing .zpf that an import then updates.
std::string RunProfileInput(const std::uint8_t* data, std::size_t size);

// ImportMessage for the first messages of a project whose files are the input's parts,
// split at kPartSeparator: options, then the CHP file (empty: a valid two-message CHP
// naming MSG00001.VOC and MSG00002.VOC), then MSG00001.VOC and MSG00002.VOC. The first byte
// of the options is the trailer-independent chip code of the CHP made here.
inline constexpr const char* kPartSeparator = "#~FILE~#";
std::string RunImportInput(const std::uint8_t* data, std::size_t size);

// The project an import input describes, written into `folder`: DEMO.CHP (the input's own, or
// a two-message project), MSG00001.VOC and MSG00002.VOC, and earlier WAV files when its
// options ask for them. The browser page's tests import these too.
void LayOutImportInput(const std::uint8_t* data, std::size_t size, const std::string& folder);

} // namespace fuzzing
