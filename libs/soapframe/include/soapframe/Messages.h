#pragma once
// The error texts every service client gives for a failed call, in UTF-8;
// they reach callers in the system code page.

namespace zeva::soapframe {

inline constexpr char kConnectFailed[] = "连接服务器失败，网络可能不畅通！";
inline constexpr char kBadAnswer[] = "获取响应数据错误！";

}  // namespace zeva::soapframe
