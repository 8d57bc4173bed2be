#pragma once
// DIALOG_1 as the program must have it: the dialog and its controls in template (tab)
// order, positions and sizes in dialog units.
#include "app/win/win32.hpp"

namespace gui {

struct ExpectedControl {
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

namespace ctl {
inline constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
inline constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
inline constexpr DWORD kFrame = kChild | SS_BLACKFRAME;
inline constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
inline constexpr DWORD kOutput = kChild | WS_TABSTOP | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;
inline constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;
} // namespace ctl

inline constexpr ExpectedControl kControls[] = {
    {1, ctl::kButton, ctl::kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 123, 231, 37, 25, "OK"},
    {101, ctl::kButton, ctl::kPush, 31, 9, 50, 14, ".CHP File..."},
    {102, ctl::kEdit, ctl::kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 93, 9, 149, 14, ""},
    {-1, ctl::kStatic, ctl::kFrame, 29, 4, 225, 76, ""},
    {103, ctl::kEdit, ctl::kChild | WS_TABSTOP | WS_BORDER | ES_READONLY, 39, 93, 204, 12, ""},
    {-1, ctl::kStatic, ctl::kFrame, 30, 87, 222, 26, ""},
    {104, ctl::kButton, ctl::kPush, 115, 120, 60, 25, "Import!"},
    {-1, ctl::kStatic, ctl::kFrame, 28, 150, 225, 75, ""},
    {-1, ctl::kStatic, ctl::kLabel, 31, 28, 50, 14, "Project"},
    {105, ctl::kEdit, ctl::kOutput, 93, 28, 149, 14, ""},
    {-1, ctl::kStatic, ctl::kLabel, 31, 45, 50, 14, "Chip Type"},
    {106, ctl::kEdit, ctl::kOutput, 93, 45, 149, 12, ""},
    {-1, ctl::kStatic, ctl::kLabel, 30, 161, 50, 14, "File Name"},
    {107, ctl::kEdit, ctl::kOutput, 92, 161, 149, 14, ""},
    {-1, ctl::kStatic, ctl::kLabel, 30, 186, 50, 14, "File Number"},
    {108, ctl::kEdit, ctl::kOutput, 92, 186, 32, 14, ""},
    {-1, ctl::kStatic, ctl::kLabel, 30, 207, 50, 14, "Address"},
    {109, ctl::kEdit, ctl::kOutput, 92, 208, 32, 13, ""},
    {-1, ctl::kStatic, ctl::kLabel, 31, 57, 50, 14, "# Msgs"},
    {110, ctl::kEdit, ctl::kOutput, 93, 57, 31, 12, ""},
    {111, ctl::kButton, ctl::kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 144, 58, 96, 11,
     "Make it Zuvan Compatible"},
    {112, ctl::kButton, ctl::kPush, 190, 120, 60, 25, "Help"},
};

} // namespace gui
