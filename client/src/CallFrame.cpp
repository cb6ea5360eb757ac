#include "CallFrame_p.h"

#include "Messages_p.h"
#include "platform/CodePage.h"
#include "soapframe/SoapContext.h"

using namespace zeva::soapframe;

CZEVACommonClientIntf::CallFrame::CallFrame(CZEVACommonClientIntf& owner)
    : owner_(owner), ctx_(AllocateContext()) {
    owner_._InitializeSoap(ctx_, owner_.m_timeout, owner_.m_proxyOption,
                           owner_.m_strProxyHost.c_str(), owner_.m_proxyPort,
                           owner_.m_strProxyUser.c_str(), owner_.m_strProxyPassword.c_str());
    endpoint_ = PrepareEndpoint(ctx_, owner_.m_strEndpoint.c_str());
}

CZEVACommonClientIntf::CallFrame::~CallFrame() {
    owner_._DestroySoap(ctx_, owner_.m_proxyOption);
    FreeContext(ctx_);
}

char* CZEVACommonClientIntf::CallFrame::Request(const std::string& acpText) {
    std::string utf8;
    owner_._AcpToUtf8(acpText.c_str(), utf8);
    return ContextString(ctx_, utf8.c_str());
}

int CZEVACommonClientIntf::CallFrame::ConnectFailed() {
    return Fail(zeva::clientmsg::kConnectFailed);
}

int CZEVACommonClientIntf::CallFrame::Fail(const char* utf8Message) {
    owner_._SetErrorInfo(zeva::Acp(utf8Message).c_str());
    return -1;
}

std::string CZEVACommonClientIntf::CallFrame::Answer(const char* utf8) {
    std::string acp;
    owner_._Utf8ToAcp(utf8, acp);
    return acp;
}

int CZEVACommonClientIntf::CallFrame::AnswerText(const char* utf8, std::string& text) {
    if (!utf8) return Fail(zeva::clientmsg::kBadAnswer);
    text = Answer(utf8);
    return 0;
}

void CZEVACommonClientIntf::CallFrame::SetConnectFailed(CZEVACommonClientIntf& owner) {
    owner._SetErrorInfo(zeva::Acp(zeva::clientmsg::kConnectFailed).c_str());
}
