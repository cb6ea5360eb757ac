#pragma once
// Dialog templates as data: the controls of a window with their numeric ids,
// kinds and rectangles in dialog units, converted to pixels from the
// template's font the way the Windows dialog manager does.

#include <string>
#include <vector>

#include "GdiTypes.h"

// Window and control styles the templates and controls use.
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_HSCROLL = 0x00100000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD SS_RIGHT = 0x2;
inline constexpr DWORD SS_NOTIFY = 0x100;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD ES_MULTILINE = 0x4;
inline constexpr DWORD ES_PASSWORD = 0x20;
inline constexpr DWORD ES_READONLY = 0x800;
inline constexpr DWORD ES_WANTRETURN = 0x1000;
inline constexpr DWORD CBS_DROPDOWN = 0x2;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x3;
inline constexpr DWORD CBS_HASSTRINGS = 0x200;
inline constexpr DWORD LVS_REPORT = 0x1;

namespace zeva::ui {

enum class ControlKind {
    Dialog,
    Static,
    Picture,
    Button,
    CheckBox,
    Edit,
    ComboBox,
    ListCtrl,
    Progress
};

struct ControlTemplate {
    UINT id = 0;
    ControlKind kind = ControlKind::Static;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string text;                  // system code page
    DWORD style = 0;
    bool visible = true;
};

struct DialogTemplate {
    UINT id = 0;
    int cx = 0, cy = 0;  // dialog units
    std::string fontFace;
    int fontSize = 9;  // points
    std::string caption;
    DWORD style = WS_POPUP;  // WS_CHILD embeds it in its parent; WS_VISIBLE shows it at creation
    std::vector<ControlTemplate> controls;
};

// Templates live with the module (plug-in) whose resources they are; a
// lookup falls back to templates registered without a module.
void RegisterDialogTemplate(HMODULE module, DialogTemplate tmpl);
const DialogTemplate* FindDialogTemplate(HMODULE module, UINT id);

// Average character width and height in pixels of a font at 96 dpi.
CSize DialogBaseUnits(const std::string& face, int pointSize);
// Dialog units to pixels: x * cx / 4, y * cy / 8, rounded as MulDiv rounds.
CRect DialogUnitsToPixels(const CRect& dlu, CSize baseUnits);

}  // namespace zeva::ui

#ifdef _WIN32
// The module handle of the plug-in or program this expands in: the linker
// gives every PE image its own __ImageBase, which is its HMODULE.
extern "C" char __ImageBase;
#define ZEVA_THIS_MODULE (reinterpret_cast<HMODULE>(&__ImageBase))
#else
// The module handle of the plug-in or program this expands in (each shared
// object has its own hidden __dso_handle).
extern "C" void* __dso_handle;
#define ZEVA_THIS_MODULE (static_cast<HMODULE>(&__dso_handle))
#endif
