#pragma once
// DIALOG_1 as the program must have it: the dialog and its controls in template (tab)
// order, positions and sizes in dialog units.
#include "app/win/win32.hpp"

namespace gui {

struct ControlSpec {
    int id;         // -1 for the frames and labels
    WORD classAtom; // 0x80 button, 0x81 edit, 0x82 static
    DWORD style;
    short x, y, cx, cy;
    const char* text;
};

inline constexpr const char* kDialogCaption = "Import .chp project";
inline constexpr DWORD kDialogStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_SETFONT;
inline constexpr short kDialogX = 58, kDialogY = -42, kDialogCx = 281, kDialogCy = 263;
inline constexpr WORD kFontPoints = 8;
inline constexpr const char* kFontName = "MS Sans Serif";

namespace spec {
inline constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
inline constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
inline constexpr DWORD kFrame = kChild | SS_BLACKFRAME;
inline constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
inline constexpr DWORD kOutput = kChild | WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;
inline constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;
} // namespace spec

inline constexpr ControlSpec kControls[] = {
    {1, spec::kButton, spec::kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 123, 231, 37, 25, "OK"},
    {101, spec::kButton, spec::kPush, 31, 9, 50, 14, ".CHP File..."},
    {102, spec::kEdit, spec::kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 93, 9, 149, 14, ""},
    {-1, spec::kStatic, spec::kFrame, 29, 4, 225, 76, ""},
    {103, spec::kEdit, spec::kChild | WS_TABSTOP | WS_BORDER | ES_READONLY, 39, 93, 204, 12, ""},
    {-1, spec::kStatic, spec::kFrame, 30, 87, 222, 26, ""},
    {104, spec::kButton, spec::kPush, 115, 120, 60, 25, "Import!"},
    {-1, spec::kStatic, spec::kFrame, 28, 150, 225, 75, ""},
    {-1, spec::kStatic, spec::kLabel, 31, 28, 50, 14, "Project"},
    {105, spec::kEdit, spec::kOutput, 93, 28, 149, 14, ""},
    {-1, spec::kStatic, spec::kLabel, 31, 45, 50, 14, "Chip Type"},
    {106, spec::kEdit, spec::kOutput, 93, 45, 149, 12, ""},
    {-1, spec::kStatic, spec::kLabel, 30, 161, 50, 14, "File Name"},
    {107, spec::kEdit, spec::kOutput, 92, 161, 149, 14, ""},
    {-1, spec::kStatic, spec::kLabel, 30, 186, 50, 14, "File Number"},
    {108, spec::kEdit, spec::kOutput, 92, 186, 32, 14, ""},
    {-1, spec::kStatic, spec::kLabel, 30, 207, 50, 14, "Address"},
    {109, spec::kEdit, spec::kOutput, 92, 208, 32, 13, ""},
    {-1, spec::kStatic, spec::kLabel, 31, 57, 50, 14, "# Msgs"},
    {110, spec::kEdit, spec::kOutput, 93, 57, 31, 12, ""},
    {111, spec::kButton, spec::kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 144, 58, 96, 11,
     "Make it Zuvan Compatible"},
    {112, spec::kButton, spec::kPush, 190, 120, 60, 25, "Help"},
};

} // namespace gui
