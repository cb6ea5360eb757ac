#pragma once
// The library's error texts, in UTF-8; they reach callers in the system code page.

namespace zeva::clientmsg {

inline constexpr char kConnectFailed[] = "连接服务器失败，网络可能不畅通！";
inline constexpr char kBadAnswer[] = "获取响应数据错误！";
inline constexpr char kSubmitFailed[] = "提交数据失败！";
inline constexpr char kMalformedAnswer[] = "响应数据格式不合法！";
inline constexpr char kWrongAnswer[] = "响应数据不正确！";
inline constexpr char kSpeedUploadFailed[] = "上传测速信息失败，服务器内部错误！";
inline constexpr char kUseInfoFailed[] = "上传使用信息失败，服务器内部错误！";
inline constexpr char kVpdnUsageFailed[] = "上传VPDN使用信息失败，服务器内部错误！";
inline constexpr char kFunctionUsageFailed[] = "上传客户端功能使用信息失败，服务器内部错误！";

}  // namespace zeva::clientmsg
