// The resources of ChpImportDialog.exe, read from the file as the system would: DIALOG_1 field by
// field, the string table, BITMAP1 and the help text.
#include <cstring>
#include <string>

#include "checks.hpp"
#include "driver.hpp"
#include "expected_dialog.hpp"

namespace gui {
namespace {

std::string Ordinal(unsigned number) {
    std::string text(1, '#');
    text += std::to_string(number);
    return text;
}

// Reads a dialog template (DLGTEMPLATE, not the extended form) word by word.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size) {}
    WORD Word() {
        Check(pos_ + 2 <= size_, "DIALOG_1 ends early");
        WORD value = static_cast<WORD>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    // A string or an ordinal (0xFFFF then the number); ordinals come back as "#number".
    std::string StringOrOrdinal() {
        WORD first = Word();
        if (first == 0xFFFF) return Ordinal(Word());
        std::string text;
        for (WORD c = first; c != 0; c = Word()) text += static_cast<char>(c);
        return text;
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~static_cast<DWORD>(3); }

private:
    const BYTE* data_;
    DWORD size_;
    DWORD pos_ = 0;
};

const BYTE* Resource(HMODULE module, const char* name, LPCSTR type, DWORD& size) {
    HRSRC found = FindResourceA(module, name, type);
    Check(found != nullptr, std::string("no resource ") + name);
    size = SizeofResource(module, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

void CheckDialogTemplate(HMODULE module) {
    DWORD size = 0;
    const BYTE* data = Resource(module, "DIALOG_1", MAKEINTRESOURCEA(5), size); // RT_DIALOG
    TemplateReader in(data, size);
    CheckEq(Hex(in.Dword()), Hex(kDialogStyle), "dialog style");
    in.Dword(); // extended style
    const WORD count = in.Word();
    Check(count == std::size(kControls), "DIALOG_1 has " + std::to_string(count) + " controls");
    const short x = in.Short(), y = in.Short(), cx = in.Short(), cy = in.Short();
    Check(x == kDialogX && y == kDialogY && cx == kDialogCx && cy == kDialogCy,
          "dialog position and size");
    CheckEq(in.StringOrOrdinal(), "", "dialog menu");
    CheckEq(in.StringOrOrdinal(), "", "dialog class");
    CheckEq(in.StringOrOrdinal(), kDialogCaption, "dialog caption");
    Check(in.Word() == kFontPoints, "font size");
    CheckEq(in.StringOrOrdinal(), kFontName, "font name");

    for (const ExpectedControl& want : kControls) {
        const std::string which =
            "control " + std::string(want.text) + " (" + std::to_string(want.id) + ")";
        in.AlignDword();
        CheckEq(Hex(in.Dword()), Hex(want.style), which + " style");
        in.Dword();
        const short cx0 = in.Short(), cy0 = in.Short(), cw = in.Short(), ch = in.Short();
        Check(cx0 == want.x && cy0 == want.y && cw == want.cx && ch == want.cy,
              which + " position and size");
        Check(in.Word() == static_cast<WORD>(want.id), which + " id");
        CheckEq(in.StringOrOrdinal(), Ordinal(want.classAtom), which + " class");
        CheckEq(in.StringOrOrdinal(), want.text, which + " text");
        const WORD extra = in.Word();
        for (WORD i = 0; i < extra; i += 2) in.Word();
    }
}

} // namespace

void CheckResources(const std::string& exe) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(module != nullptr, "cannot read the resources of " + exe);
    CheckDialogTemplate(module);

    const char* strings[] = {"Could Not Launch Dialog", "Error", "Buffer too small"};
    for (UINT id = 1; id <= 3; ++id) {
        char text[256] = {};
        LoadStringA(module, id, text, sizeof text);
        CheckEq(text, strings[id - 1], "string " + std::to_string(id));
    }

    DWORD size = 0;
    const BYTE* bitmap = Resource(module, "BITMAP1", MAKEINTRESOURCEA(2), size); // RT_BITMAP
    BITMAPINFOHEADER header;
    Check(size >= sizeof header, "BITMAP1 is too short");
    std::memcpy(&header, bitmap, sizeof header);
    Check(header.biWidth == 411 && header.biHeight == 77 && header.biBitCount == 8,
          "BITMAP1 is not 411 x 77 at 8 bits per pixel");

    Resource(module, "HELPTEXT", MAKEINTRESOURCEA(10), size); // RT_RCDATA
    Check(size > 200, "the help text is missing");
    FreeLibrary(module);
}

} // namespace gui
