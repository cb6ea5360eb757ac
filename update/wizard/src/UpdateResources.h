#pragma once
// Dialog templates, control ids and skin images of the updater's windows.

#include "GdiTypes.h"

namespace zeva::wizard {

// The download library's and the worker's notify message to the update dialog.
inline constexpr UINT WM_DOWNLOAD_NOTIFY = 0x065A;
// The check worker's result to the update dialog (wParam: see CCheckUpdateThread).
inline constexpr UINT WM_CHECK_DONE = 0x0400 + 0x65B;

inline constexpr UINT IDD_UPDATE = 0x0081;
inline constexpr UINT IDD_NOTIFY = 0x0082;

// Update dialog.
inline constexpr UINT IDC_CLOSE = 0x4C30;
inline constexpr UINT IDC_CLOSE_CROSS = 0x4C31;
inline constexpr UINT IDC_UPGRADE = 0x4C34;
inline constexpr UINT IDC_PROGRESS = 0x4C35;
inline constexpr UINT IDC_HEADLINE = 0x4C37;
inline constexpr UINT IDC_UPDATABLE = 0x4C38;
inline constexpr UINT IDC_QUESTION = 0x4C39;
inline constexpr UINT IDC_ICON = 0x4C3A;
inline constexpr UINT IDC_BANNER = 0x4C3D;
inline constexpr UINT IDC_TITLE = 0x4C3E;
inline constexpr UINT IDC_VERSION = 0x4C3F;

// Notification window.
inline constexpr UINT IDC_NOTIFY_CROSS = 0x4C30;
inline constexpr UINT IDC_NOTIFY_LATER = 0x4C32;
inline constexpr UINT IDC_NOTIFY_NOW = 0x4C33;
inline constexpr UINT IDC_OLD_VERSION = 0x4C36;
inline constexpr UINT IDC_NEW_VERSION = 0x4C3B;
inline constexpr UINT IDC_WEBSITE_LINK = 0x4C3C;
inline constexpr UINT IDC_NOTIFY_HEADLINE = 0x4C40;
inline constexpr UINT IDC_NOTIFY_UPDATABLE = 0x4C41;
inline constexpr UINT IDC_NOTIFY_QUESTION = 0x4C42;
inline constexpr UINT IDC_NOTIFY_CURRENT = 0x4C43;

// Images: the close cross, the text buttons, the state icons and banners.
inline constexpr UINT IDB_CROSS = 649;
inline constexpr UINT IDB_BUTTON = 0x6001;
inline constexpr UINT IDB_ICON_NEW = 0x6010;
inline constexpr UINT IDB_ICON_CURRENT = 0x6011;
inline constexpr UINT IDB_ICON_DOWNLOADING = 0x6012;
inline constexpr UINT IDB_ICON_FAILED = 0x6013;
inline constexpr UINT IDB_ICON_FINISHED = 0x6014;
inline constexpr UINT IDB_BANNER_NEW = 0x6020;
inline constexpr UINT IDB_BANNER_CURRENT = 0x6021;
inline constexpr UINT IDB_BANNER_DOWNLOADING = 0x6022;
inline constexpr UINT IDB_BANNER_FAILED = 0x6023;
inline constexpr UINT IDB_BANNER_FINISHED = 0x6024;

// Registers both templates and the images (once per process).
void RegisterWizardResources();

}  // namespace zeva::wizard
