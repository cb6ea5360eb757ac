#pragma once
// The library's error texts, in UTF-8; they reach callers in the system code page.

namespace zeva::clientmsg {

inline constexpr char kConnectFailed[] = "连接服务器失败，网络可能不畅通！";
inline constexpr char kBadAnswer[] = "获取响应数据错误！";
inline constexpr char kSubmitFailed[] = "提交数据失败！";
inline constexpr char kMalformedAnswer[] = "响应数据格式不合法！";
inline constexpr char kWrongAnswer[] = "响应数据不正确！";

}  // namespace zeva::clientmsg
