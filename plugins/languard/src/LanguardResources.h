#pragma once
// Ids of the LAN check's templates, controls and images.

#include "GdiTypes.h"

namespace languard {

inline constexpr UINT kPageTemplate = 13000;
inline constexpr UINT kListTemplate = 13004;
inline constexpr UINT kRowTemplate = 13005;

// Page controls.
inline constexpr UINT kIdClose = 13000;
inline constexpr UINT kIdAnimation = 13005;
inline constexpr UINT kIdCount = 13007;
inline constexpr UINT kIdFound = 13009;
inline constexpr UINT kIdAdvice = 13010;
inline constexpr UINT kIdSearching = 13011;
inline constexpr UINT kIdSlogan = 13012;
inline constexpr UINT kIdRescan = 13013;
inline constexpr UINT kIdFoundPicture = 13014;
inline constexpr UINT kIdDonePicture = 13016;
inline constexpr UINT kIdNameHeading = 13017;
inline constexpr UINT kIdTitle = 13018;
// Why the list may be incomplete, or why nothing could be scanned.
inline constexpr UINT kIdNote = 13019;
inline constexpr UINT kIdLabel = 0xFFFF;  // labels nobody addresses

// Row controls.
inline constexpr UINT kIdRowMac = 13003;
inline constexpr UINT kIdRowIp = 13004;
inline constexpr UINT kIdRowVendor = 13005;
inline constexpr UINT kIdRowName = 13006;
inline constexpr UINT kIdRowMarker = 13008;
inline constexpr UINT kIdRowPicture = 13015;

// Images.
inline constexpr UINT kImgClosePressed = 13001;
inline constexpr UINT kImgCloseHover = 13002;
inline constexpr UINT kImgCloseNormal = 13003;
inline constexpr UINT kImgPage = 13006;
inline constexpr UINT kImgRow = 13008;
inline constexpr UINT kImgFound = 13009;
inline constexpr UINT kImgRowPicture = 13010;
inline constexpr UINT kImgDone = 13011;
inline constexpr UINT kImgRadar = 13012;  // the drawn waiting animation

inline constexpr COLORREF kTextGrey = 0x666666;
inline constexpr COLORREF kTextLight = 0x969696;
inline constexpr COLORREF kTextCount = 0x0000FF;  // red, as a COLORREF

// Registers the templates and image descriptions once.
void RegisterResources();

}  // namespace languard
