// The online-service client: the call frame shared with the back-office
// client, with the online service's description and modes.

#include "eZEVAClientIntf.h"

#include "OServiceNamespaces.h"
#include "platform/CodePage.h"
#include "soapframe/ClientSettings.h"
#include "soapframe/Guarded.h"
#include "soapframe/Messages.h"
#include "soapframe/Payload.h"
#include "soapframe/SoapContext.h"
#include "soapframe/TagSearch.h"
#include "zevaosH.h"

using namespace zeva::soapframe;
using namespace zevaos;

namespace {

constexpr char kSoapAction[] = "";

S_Service ServiceRecord(const char* text) {
    S_Service s;
    FindString(text, "<Id>", "</Id>", s.Id);
    FindString(text, "<CityNo>", "</CityNo>", s.CityNo);
    FindString(text, "<Title>", "</Title>", s.Title);
    FindString(text, "<ServiceUrl>", "</ServiceUrl>", s.ServiceUrl);
    FindString(text, "<UpdateUrl>", "</UpdateUrl>", s.UpdateUrl);
    FindString(text, "<DemoUrl>", "</DemoUrl>", s.DemoUrl);
    FindString(text, "<Description>", "</Description>", s.Description);
    return s;
}

}  // namespace

// One call with this object's settings; only text conversion and messages
// are the object's own.
struct CeZEVAClientIntf::Call {
    Call(CeZEVAClientIntf& self, int modes)
        : owner(self),
          scope(zeva::oservice::kNamespaces, modes,
                CallSettings{self.m_strEndpoint.c_str(), self.m_timeout, self.m_proxyOption,
                             self.m_strProxyHost.c_str(), self.m_proxyPort,
                             self.m_strProxyUser.c_str(), self.m_strProxyPassword.c_str()}) {}

    char* Request(const std::string& acpText) {
        return scope.Text(zeva::AcpToUtf8(acpText).c_str());
    }
    int Fail(const char* utf8Message) {
        owner.SetErrorInfo(zeva::Acp(utf8Message).c_str());
        return -1;
    }

    // No exception leaves the library; an unexpected one fails the call.
    template <class Body>
    static int Guarded(CeZEVAClientIntf& self, Body&& body) {
        return zeva::soapframe::Guarded(
            body, [&self] { self.SetErrorInfo(zeva::Acp(kConnectFailed).c_str()); });
    }

    CeZEVAClientIntf& owner;
    ScopedCall scope;
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
    return Call::Guarded(*this, [&] {
        Call call(*this, SOAP_C_UTFSTRING);
        std::string text = "<UserOnlineInfo><Account>";
        text.append(EscapeMarkup(OrEmpty(account))).append("</Account><UserId>");
        text.append(EscapeMarkup(OrEmpty(userId)));
        text.append("</UserId><OnlineList>");
        for (const S_OnlineInfo& r : onlineList)
            text += FormatPayload(
                "<OnlineInfo><OnlineLength>%d</OnlineLength><Ctime>%s</Ctime></OnlineInfo>",
                r.OnlineLength, EscapeMarkup(r.Ctime).c_str());
        text += "</OnlineList></UserOnlineInfo>";
        char* in0 = call.Request(text);
        ns1__setUserOnlineLengthResponse answer;
        if (!call.scope.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setUserOnlineLength(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.Fail(kConnectFailed);
        accepted = answer.out && *answer.out;
        return 0;
    });
}

int CeZEVAClientIntf::GetUserAttribution(const char* account, std::string& attribution) {
    return Call::Guarded(*this, [&] {
        Call call(*this, SOAP_C_UTFSTRING);
        char* in0 = call.Request(OrEmpty(account));
        ns1__getUserAttributionResponse answer;
        if (!call.scope.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getUserAttribution(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.Fail(kConnectFailed);
        if (!answer.out) return call.Fail(kBadAnswer);
        attribution = zeva::Utf8ToAcp(answer.out);
        return 0;
    });
}

int CeZEVAClientIntf::GetOwnService(const char* account, S_Service& service, bool& own) {
    own = false;
    return Call::Guarded(*this, [&] {
        Call call(*this, SOAP_C_UTFSTRING);
        char* in0 = call.Request(OrEmpty(account));
        ns1__getOwnServiceResponse answer;
        if (!call.scope.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getOwnService(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.Fail(kConnectFailed);
        if (!answer.out) return call.Fail(kBadAnswer);
        service = ServiceRecord(zeva::Utf8ToAcp(answer.out).c_str());
        own = service.Description == "1";
        return 0;
    });
}

int CeZEVAClientIntf::GetServiceList(std::vector<S_Service>& services) {
    return Call::Guarded(*this, [&] {
        Call call(*this, SOAP_C_UTFSTRING);
        ns1__getServiceListResponse answer;
        if (!call.scope.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getServiceList(ctx, endpoint, kSoapAction, answer);
            }))
            return call.Fail(kConnectFailed);
        if (!answer.out) return call.Fail(kBadAnswer);
        ForEachRecord(
            zeva::Utf8ToAcp(answer.out), "<Service>", "</Service>",
            [&](const std::string& slice) { services.push_back(ServiceRecord(slice.c_str())); });
        return 0;
    });
}

int CeZEVAClientIntf::SetBugLog(const std::vector<S_BugInfo>& bugs, bool& accepted) {
    accepted = false;
    return Call::Guarded(*this, [&] {
        Call call(*this, SOAP_C_UTFSTRING);
        std::string text = "<BugLogs>";
        for (const S_BugInfo& b : bugs)
            text += FormatPayload(
                "<BugInfo><OperatingSystem>%s</OperatingSystem><Cpu>%s</Cpu><Memory>%s</"
                "Memory><Version>%s</Version>"
                "<ModuleName>%s</ModuleName><ModuleVer>%s</ModuleVer><FileName>%s</"
                "FileName><FunctionName>%s"
                "</FunctionName><LineNo>%s</LineNo><Description>%s</Description><Type>%s</"
                "Type><Ctime>%s</Ctime>"
                "</BugInfo>",
                EscapeMarkup(b.OperatingSystem).c_str(), EscapeMarkup(b.Cpu).c_str(),
                EscapeMarkup(b.Memory).c_str(), EscapeMarkup(b.Version).c_str(),
                EscapeMarkup(b.ModuleName).c_str(), EscapeMarkup(b.ModuleVer).c_str(),
                EscapeMarkup(b.FileName).c_str(), EscapeMarkup(b.FunctionName).c_str(),
                EscapeMarkup(b.LineNo).c_str(), EscapeMarkup(b.Description).c_str(),
                EscapeMarkup(b.Type).c_str(), EscapeMarkup(b.Ctime).c_str());
        text += "</BugLogs>";
        char* in0 = call.Request(text);
        ns1__setBugLogResponse answer;
        if (!call.scope.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__setBugLog(ctx, endpoint, kSoapAction, in0, answer);
            }))
            return call.Fail(kConnectFailed);
        accepted = answer.out && *answer.out;
        return 0;
    });
}

int CeZEVAClientIntf::GetCurrentAccount(std::string& account) {
    return Call::Guarded(*this, [&] {
        // The only operation that reads its answer whatever namespace it carries.
        Call call(*this, SOAP_C_UTFSTRING | SOAP_XML_IGNORENS);
        ns1__getCurrentAccountResponse answer;
        if (!call.scope.Invoke([&](soap* ctx, const char* endpoint) {
                return soap_call_ns1__getCurrentAccount(ctx, endpoint, kSoapAction, answer);
            }))
            return call.Fail(kConnectFailed);
        if (!answer.out) return call.Fail(kBadAnswer);
        account = zeva::Utf8ToAcp(answer.out);
        return 0;
    });
}
