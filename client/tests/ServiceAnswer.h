#pragma once
// What the back office answers in the library's tests, and the messages the
// library gives for a failed call.

#include <string>

#include "RawHttpServer.h"
#include "platform/CodePage.h"

namespace zeva::test {

inline const std::string kConnectFailed = zeva::Acp("连接服务器失败，网络可能不畅通！");
inline const std::string kBadAnswer = zeva::Acp("获取响应数据错误！");

// An HTTP answer whose body holds the operation's response element around `inner`.
inline std::string Answer(const std::string& operation, const std::string& inner) {
    return RawHttpServer::HttpOk(RawHttpServer::Envelope(
        "<ns1:" + operation + "Response xmlns:ns1=\"http://service.kelv.pelmo.com\">" + inner +
        "</ns1:" + operation + "Response>"));
}

}  // namespace zeva::test
