// The online-service client: the call frame shared with the back-office
// client, with the online service's description and modes.

#include "eZEVAClientIntf.h"

#include "OServiceNamespaces.h"
#include "eZEVAClientFields.h"
#include "soapframe/Call.h"
#include "soapframe/ClientSettings.h"
#include "soapframe/Payload.h"
#include "soapframe/SoapContext.h"
#include "soapframe/TagSearch.h"
#include "zevaosH.h"

using namespace zeva::soapframe;
using namespace zevaos;
namespace fields = zeva::eclientfields;

// This library's side of the shared call helper: the online service's
// description and the call's modes.
struct CeZEVAClientIntf::Call final : CallOwner {
    Call(CeZEVAClientIntf& self, int modes) : self_(self), modes_(modes) {}

    void Prepare(soap* ctx) override {
        PrepareContext(
            ctx, zeva::oservice::kNamespaces, modes_,
            CallSettings{nullptr, self_.m_timeout, self_.m_proxyOption,
                         self_.m_strProxyHost.c_str(), self_.m_proxyPort,
                         self_.m_strProxyUser.c_str(), self_.m_strProxyPassword.c_str()});
    }
    void Release(soap* ctx) override { EndContext(ctx); }
    const char* Endpoint() const override { return self_.m_strEndpoint.c_str(); }
    void SetErrorText(const std::string& acpText) override { self_.SetErrorInfo(acpText.c_str()); }

    // One operation of `self` with `modes`: zeva::soapframe::Perform.
    template <class... Args>
    static int Run(CeZEVAClientIntf& self, int modes, Args&&... args) noexcept {
        Call owner(self, modes);
        return Perform(owner, std::forward<Args>(args)...);
    }

private:
    CeZEVAClientIntf& self_;
    int modes_;
};

CeZEVAClientIntf::CeZEVAClientIntf()
    : m_proxyOption(EBCI_PROXY_NONE), m_proxyPort(0), m_timeout(5) {}
CeZEVAClientIntf::CeZEVAClientIntf(const CeZEVAClientIntf& other) = default;
CeZEVAClientIntf& CeZEVAClientIntf::operator=(const CeZEVAClientIntf& other) = default;
CeZEVAClientIntf::~CeZEVAClientIntf() = default;

int CeZEVAClientIntf::Initialize(const char* endpoint, unsigned int timeout,
                                 EBCI_PROXYOPTION proxyOption, const char* proxyHost,
                                 short proxyPort, const char* proxyUser,
                                 const char* proxyPassword) {
    ClientFields<EBCI_PROXYOPTION>{m_strEndpoint, m_timeout,      m_proxyOption,     m_strProxyHost,
                                   m_proxyPort,   m_strProxyUser, m_strProxyPassword}
        .Store(endpoint, timeout, proxyOption, proxyHost, proxyPort, proxyUser, proxyPassword);
    return 0;
}

const char* CeZEVAClientIntf::GetLastErrorInfo() {
    return m_strErrorInfo.c_str();
}

void CeZEVAClientIntf::SetErrorInfo(const char* text) {
    m_strErrorInfo = OrEmptyString(text);
}

int CeZEVAClientIntf::SetUserOnlineLength(const char* userId, const char* account,
                                          const std::vector<S_OnlineInfo>& onlineList,
                                          bool& accepted) {
    accepted = false;
    const auto payload = [&] {
        std::string text = "<UserOnlineInfo><Account>";
        text.append(EscapeMarkup(OrEmpty(account))).append("</Account><UserId>");
        text.append(EscapeMarkup(OrEmpty(userId)));
        text.append("</UserId><OnlineList>");
        for (const S_OnlineInfo& r : onlineList)
            text += FormatPayload(
                "<OnlineInfo><OnlineLength>%d</OnlineLength><Ctime>%s</Ctime></OnlineInfo>",
                r.OnlineLength, EscapeMarkup(r.Ctime).c_str());
        return text + "</OnlineList></UserOnlineInfo>";
    };
    return Call::Run(*this, SOAP_C_UTFSTRING, payload, soap_call_ns1__setUserOnlineLength,
                     FlagInto(accepted));
}

int CeZEVAClientIntf::GetUserAttribution(const char* account, std::string& attribution) {
    return Call::Run(*this, SOAP_C_UTFSTRING, OrEmpty(account), soap_call_ns1__getUserAttribution,
                     TextInto(attribution));
}

int CeZEVAClientIntf::GetOwnService(const char* account, S_Service& service, bool& own) {
    own = false;
    return Call::Run(*this, SOAP_C_UTFSTRING, OrEmpty(account), soap_call_ns1__getOwnService,
                     [&](zeva::soapframe::Call& call, auto& answer) {
                         if (!answer.out) return call.Fail(kBadAnswer);
                         S_Service read;
                         FillRecord<S_Service>(fields::kServiceFields,
                                               call.Answer(answer.out).c_str(), read);
                         service = read;
                         own = service.Description == "1";
                         return 0;
                     });
}

int CeZEVAClientIntf::GetServiceList(std::vector<S_Service>& services) {
    return Call::Run(*this, SOAP_C_UTFSTRING, soap_call_ns1__getServiceList,
                     [&](zeva::soapframe::Call& call, auto& answer) {
                         if (!answer.out) return call.Fail(kBadAnswer);
                         ForEachRecord(call.Answer(answer.out), "<Service>", "</Service>",
                                       [&](const std::string& slice) {
                                           S_Service s;
                                           FillRecord<S_Service>(fields::kServiceFields,
                                                                 slice.c_str(), s);
                                           services.push_back(s);
                                       });
                         return 0;
                     });
}

int CeZEVAClientIntf::SetBugLog(const std::vector<S_BugInfo>& bugs, bool& accepted) {
    accepted = false;
    const auto payload = [&] {
        std::string text = "<BugLogs>";
        for (const S_BugInfo& b : bugs) text += RecordText(fields::kBugInfo, b);
        return text + "</BugLogs>";
    };
    return Call::Run(*this, SOAP_C_UTFSTRING, payload, soap_call_ns1__setBugLog,
                     FlagInto(accepted));
}

int CeZEVAClientIntf::GetCurrentAccount(std::string& account) {
    // The only operation that reads its answer whatever namespace it carries.
    return Call::Run(*this, SOAP_C_UTFSTRING | SOAP_XML_IGNORENS, soap_call_ns1__getCurrentAccount,
                     TextInto(account));
}
