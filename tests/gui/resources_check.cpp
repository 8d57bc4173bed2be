// The resources of ChpImportDialog.exe, read from the file as the system would: DIALOG_1 field by
// field, the string table, BITMAP1 and the help text; and what every program of the project
// carries: its manifest, icon and version.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "checks.hpp"
#include "driver.hpp"
#include "expected_dialog.hpp"
#include "res/resource_ids.h"

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
    Check(found != nullptr,
          "no resource " + (IS_INTRESOURCE(name) ? Ordinal(LOWORD(reinterpret_cast<UINT_PTR>(name)))
                                                 : std::string(name)));
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

// The manifest: themed controls, DPI awareness, Windows 7 to 11, no elevation.
void CheckManifest(HMODULE module) {
    DWORD size = 0;
    const BYTE* data =
        Resource(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24), size); // RT_MANIFEST
    const std::string manifest(reinterpret_cast<const char*>(data), size);
    for (const char* part : {
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
             "WindowsSettings\">true</dpiAware>",
             "WindowsSettings\">PerMonitorV2, System</dpiAwareness>",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
         })
        Check(manifest.find(part) != std::string::npos, std::string("the manifest lacks ") + part);
}

// The icon group, from 16 to 256 pixels; the system can make an icon of each end.
void CheckIcon(HMODULE module) {
    DWORD size = 0;
    const BYTE* group = Resource(module, MAKEINTRESOURCEA(IDI_PROGRAM), MAKEINTRESOURCEA(14),
                                 size); // RT_GROUP_ICON
    const unsigned count = size >= 6 ? group[4] | group[5] << 8 : 0;
    Check(count >= 2 && size >= 6 + 14 * count, "the icon group is too short");
    for (int want : {16, 256}) {
        const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, want, want,
                                                   LR_DEFAULTCOLOR);
        bool found = false; // the entry the system chose has that size
        for (const BYTE* entry = group + 6; entry < group + 6 + 14 * count; entry += 14)
            if ((entry[12] | entry[13] << 8) == id) found = (entry[0] ? entry[0] : 256) == want;
        Check(found, "no icon of " + std::to_string(want) + " px");
        DWORD imageSize = 0;
        const BYTE* image = Resource(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3), imageSize);
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), imageSize, TRUE, 0x00030000,
                                              want, want, LR_DEFAULTCOLOR);
        Check(icon != nullptr, "the icon of " + std::to_string(want) + " px can't be made");
        DestroyIcon(icon);
    }
}

// The version resource, read as Explorer's Properties > Details reads it.
void CheckVersion(const std::string& exe) {
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    Check(!info.empty() && GetFileVersionInfoA(exe.c_str(), 0, info.size(), info.data()),
          "no version resource");
    const auto query = [&](const std::string& path) {
        void* value = nullptr;
        UINT length = 0;
        return VerQueryValueA(info.data(), path.c_str(), &value, &length) && length > 0 ? value
                                                                                        : nullptr;
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query("\\"));
    const std::string version = std::string(CHPIMPORT_VERSION) + ".0";
    for (auto [ms, ls] : {std::pair{fixed->dwFileVersionMS, fixed->dwFileVersionLS},
                          std::pair{fixed->dwProductVersionMS, fixed->dwProductVersionLS}}) {
        CheckEq(std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
                    std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls)),
                version, "version numbers");
    }
    const auto* language = static_cast<const WORD*>(query("\\VarFileInfo\\Translation"));
    Check(language != nullptr, "no translation");
    char block[40];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04X%04X\\", language[0], language[1]);
    const auto text = [&](const char* name) {
        const char* value = static_cast<const char*>(query(block + std::string(name)));
        return std::string(value != nullptr ? value : "");
    };
    CheckEq(text("FileVersion"), CHPIMPORT_VERSION, "FileVersion");
    CheckEq(text("ProductVersion"), CHPIMPORT_VERSION, "ProductVersion");
    CheckEq(text("ProductName"), "chpimport", "ProductName");
    CheckEq(text("OriginalFilename"), exe.substr(exe.find_last_of("\\/") + 1), "OriginalFilename");
    Check(text("FileDescription").size() > 10, "no FileDescription");
    Check(text("LegalCopyright").rfind("Copyright", 0) == 0, "no LegalCopyright");
}

} // namespace

void CheckProgramResources(const std::string& exe) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(module != nullptr, "cannot read the resources of " + exe);
    CheckManifest(module);
    CheckIcon(module);
    FreeLibrary(module);
    CheckVersion(exe);
}

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
