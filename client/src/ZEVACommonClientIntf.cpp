// The call frame's building blocks: settings, error text, SOAP context set-up
// and tear-down, conversion, tag extraction and the local result cache.

#include "BServiceNamespaces.h"
#include "CallFrame_p.h"
#include "ConfigKeys.h"
#include "CryptConfigFile.h"
#include "platform/AppPath.h"
#include "platform/CodePage.h"
#include "soapframe/ClientSettings.h"
#include "soapframe/SoapContext.h"
#include "soapframe/TagSearch.h"

namespace {

std::string CachePath() {
    return zeva::ApplicationPathAcp() + zeva::cfgkeys::kUserDataDat;
}

}  // namespace

CZEVACommonClientIntf::CZEVACommonClientIntf()
    : m_proxyOption(BCI_PROXY_NONE), m_proxyPort(0), m_timeout(5) {}

CZEVACommonClientIntf::CZEVACommonClientIntf(const CZEVACommonClientIntf& other) = default;
CZEVACommonClientIntf& CZEVACommonClientIntf::operator=(const CZEVACommonClientIntf& other) =
    default;
CZEVACommonClientIntf::~CZEVACommonClientIntf() = default;

int CZEVACommonClientIntf::Initialize(const char* endpoint, unsigned int timeout,
                                      BCI_PROXYOPTION proxyOption, const char* proxyHost,
                                      short proxyPort, const char* proxyUser,
                                      const char* proxyPassword) {
    zeva::soapframe::ClientFields<BCI_PROXYOPTION>{m_strEndpoint,     m_timeout,   m_proxyOption,
                                                   m_strProxyHost,    m_proxyPort, m_strProxyUser,
                                                   m_strProxyPassword}
        .Store(endpoint, timeout, proxyOption, proxyHost, proxyPort, proxyUser, proxyPassword);
    return 0;
}

const char* CZEVACommonClientIntf::GetLastErrorInfo() {
    return m_strErrorInfo.c_str();
}

void CZEVACommonClientIntf::_SetErrorInfo(const char* text) {
    m_strErrorInfo = zeva::soapframe::OrEmptyString(text);
}

void CZEVACommonClientIntf::_InitializeSoap(struct soap* ctx, unsigned int timeout,
                                            BCI_PROXYOPTION proxyOption, const char* proxyHost,
                                            short proxyPort, const char* proxyUser,
                                            const char* proxyPassword) {
    zeva::soapframe::PrepareContext(
        ctx, zeva::bservice::kNamespaces, SOAP_C_UTFSTRING | SOAP_XML_IGNORENS,
        {nullptr, timeout, proxyOption, proxyHost, proxyPort, proxyUser, proxyPassword});
}

void CZEVACommonClientIntf::_DestroySoap(struct soap* ctx, BCI_PROXYOPTION) {
    // The proxy host buffer of option 1 belongs to the context and goes with it.
    zeva::soapframe::EndContext(ctx);
}

void CZEVACommonClientIntf::_AcpToUtf8(const char* in, std::string& out) {
    out = zeva::AcpToUtf8(in ? in : "");
}

void CZEVACommonClientIntf::_Utf8ToAcp(const char* in, std::string& out) {
    out = zeva::Utf8ToAcp(in ? in : "");
}

void CZEVACommonClientIntf::_FindString(const char* text, const char* openTag, const char* closeTag,
                                        std::string& out) {
    zeva::soapframe::FindString(text, openTag, closeTag, out);
}

void CZEVACommonClientIntf::_FindString(const char* text, const char* openTag, const char* closeTag,
                                        int& out) {
    zeva::soapframe::FindString(text, openTag, closeTag, out);
}

void CZEVACommonClientIntf::_ReadFromLocalCache(std::string section, std::string key,
                                                std::string& value) {
    CCryptConfigFile store(CachePath(), "");
    std::string read;
    store.ReadString(section, key, "", read);
    value = read;
}

void CZEVACommonClientIntf::_WriteToLocalCache(std::string section, std::string key,
                                               std::string value) {
    CCryptConfigFile store(CachePath(), "");
    store.WriteString(section, key, value);
}
