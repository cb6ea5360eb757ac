#pragma once
// The receipt page's template and images, and the ids its code and scripts use.

#include "GdiTypes.h"

namespace receipt {

inline constexpr UINT kTemplateId = 10037;

inline constexpr UINT kIdClose = 10002;
inline constexpr UINT kIdSubmit = 10004;
inline constexpr UINT kIdTest = 10005;
inline constexpr UINT kIdWorkOrder = 10007;
inline constexpr UINT kIdSuggestion = 10012;
inline constexpr UINT kIdSuggestionLabel = 10024;
inline constexpr UINT kIdSpeedLabel = 10026;
inline constexpr UINT kIdUnitLabel = 10027;
inline constexpr UINT kIdPicture = 10028;
inline constexpr UINT kIdTitle = 10030;
inline constexpr UINT kIdVerdictLabel = 10032;
inline constexpr UINT kIdVerdict = 10033;
inline constexpr UINT kIdSpeed = 10035;
inline constexpr UINT kIdEngineerName = 10153;
inline constexpr UINT kIdEngineerPhone = 10154;
inline constexpr UINT kIdEngineerNameLabel = 10155;
inline constexpr UINT kIdEngineerPhoneLabel = 10156;
inline constexpr UINT kIdAccountLabel = 10158;
inline constexpr UINT kIdAccount = 10159;
inline constexpr UINT kIdWorkOrderLabel = 10160;

inline constexpr UINT kImageBackground = 10042;
inline constexpr UINT kImagePicture = 10043;

// Registers the template and images with this module, once.
void RegisterResources();

}  // namespace receipt
