#pragma once
// The toolbox's dialog templates, control ids and window messages.

#include "platform/MessageQueue.h"

namespace toolbox {

// Templates.
inline constexpr UINT kPageTemplate = 30006;
inline constexpr UINT kListTemplate = 30005;
inline constexpr UINT kContainerTemplate = 30003;
inline constexpr UINT kStripTemplate = 30007;

// The list frame.
inline constexpr UINT kIdListTitle = 30001;
inline constexpr UINT kIdListPicture = 30002;
// Every tool button of the grid.
inline constexpr UINT kIdToolButton = 14101;

// The advertisement strip: four slots (link 30012 + k with bullet 30008 + k) and a title.
inline constexpr UINT kIdFirstBullet = 30008;
inline constexpr UINT kIdFirstAdLink = 30012;
inline constexpr UINT kIdStripTitle = 30016;
inline constexpr int kAdSlots = 4;
inline constexpr UINT kAdTimer = 1;
inline constexpr UINT kAdPeriodMs = 5000;

// A button of the grid was released (container to page).
inline constexpr UINT kMsgButtonReleased = zeva::WM_USER + 0x3E9;  // 2025
// The mouse hovers a button (wParam 1, lParam index) or left one (wParam 2), container to list.
inline constexpr UINT kMsgButtonHover = zeva::WM_USER + 0x3EA;  // 2026

// Where the strip sits on the page (client pixels).
inline constexpr int kStripTop = 375;

// Registers the templates with this module, once.
void RegisterResources();

}  // namespace toolbox
