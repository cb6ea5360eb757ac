#pragma once
// The library's error texts, in UTF-8; they reach callers in the system code page.

#include "soapframe/Messages.h"

namespace zeva::clientmsg {

using zeva::soapframe::kBadAnswer;
using zeva::soapframe::kConnectFailed;
inline constexpr char kSubmitFailed[] = "提交数据失败！";
inline constexpr char kMalformedAnswer[] = "响应数据格式不合法！";
inline constexpr char kWrongAnswer[] = "响应数据不正确！";
inline constexpr char kSpeedUploadFailed[] = "上传测速信息失败，服务器内部错误！";
inline constexpr char kUseInfoFailed[] = "上传使用信息失败，服务器内部错误！";
inline constexpr char kVpdnUsageFailed[] = "上传VPDN使用信息失败，服务器内部错误！";
inline constexpr char kFunctionUsageFailed[] = "上传客户端功能使用信息失败，服务器内部错误！";

}  // namespace zeva::clientmsg
