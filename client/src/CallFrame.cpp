#include "CallFrame_p.h"

void CZEVACommonClientIntf::CallFrame::Prepare(soap* ctx) {
    owner_._InitializeSoap(ctx, owner_.m_timeout, owner_.m_proxyOption,
                           owner_.m_strProxyHost.c_str(), owner_.m_proxyPort,
                           owner_.m_strProxyUser.c_str(), owner_.m_strProxyPassword.c_str());
}

void CZEVACommonClientIntf::CallFrame::Release(soap* ctx) {
    owner_._DestroySoap(ctx, owner_.m_proxyOption);
}

const char* CZEVACommonClientIntf::CallFrame::Endpoint() const {
    return owner_.m_strEndpoint.c_str();
}

void CZEVACommonClientIntf::CallFrame::SetErrorText(const std::string& acpText) {
    owner_._SetErrorInfo(acpText.c_str());
}
