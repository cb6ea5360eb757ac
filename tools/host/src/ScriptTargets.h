#pragma once
// How a script names a control, and the state dump of every window.
//
//   ID        the first *visible* control with that id in the active
//             top-level window, searching it and its visible child dialogs
//             depth first in creation order
//   T/ID      control ID of the dialog made from template T (visible or
//             not): the active window or one of its child dialogs, else
//             another top-level window
//   ...#N     the N-th such control (from 1, creation order), where several
//             share an id (14101#7, 14016/14012#2)

#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CWnd;

namespace zeva::host {

struct ControlSpec {
    std::string spec;  // as written
    bool inDialog = false;
    UINT dialog = 0;
    UINT id = 0;
    int nth = 1;
};

bool ParseControlSpec(const std::string& text, ControlSpec& out, std::string& error);
// Every control the address designates, in creation order.
std::vector<CWnd*> MatchingControls(CWnd& active, const ControlSpec& spec);
// The control the address picks, or null.
CWnd* FindControl(CWnd& active, const ControlSpec& spec);
// What was looked for, for failure messages ("visible control 20109 (the 2nd)").
std::string Describe(const ControlSpec& spec);

// The state of every top-level window of the process as one JSON document
// in UTF-8 (the contract is in ScriptPlayer.h).
std::string DumpWindowsJson();

}  // namespace zeva::host
