#pragma once
// Client of the provider's online-service web service (SOAP 1.1 over HTTP):
// the catalogue of online services, the customer's own service, the
// account's attribution, online-time reports and crash reports.
//
// Create an object, call Initialize with the endpoint, time-out and proxy
// option, call an operation and read GetLastErrorInfo when it returned -1.
// Every call blocks the calling thread and opens its own connection. Strings
// are multi-byte text in the system code page (GBK unless ZEVA_ACP names
// another); the wire carries UTF-8. Lists are appended to, never cleared.

#include <string>
#include <vector>

// The library's build defines EZEVACLIENTINTF_EXPORTS; its users import.
#if defined(_WIN32) && defined(EZEVACLIENTINTF_EXPORTS)
#define EZEVACLIENTINTF_API __declspec(dllexport)
#elif defined(_WIN32)
#define EZEVACLIENTINTF_API __declspec(dllimport)
#else
#define EZEVACLIENTINTF_API __attribute__((visibility("default")))
#endif

enum EBCI_PROXYOPTION {
    EBCI_PROXY_NONE = 0,    // direct connection
    EBCI_PROXY_IE = 1,      // the user's Internet Settings proxy, read at every call
    EBCI_PROXY_CUSTOM = 2,  // the proxy host, port, user and password given to Initialize
};

// One period online.
struct EZEVACLIENTINTF_API S_OnlineInfo {
    int OnlineLength = 0;
    std::string Ctime;
};

// One online service of the catalogue.
struct EZEVACLIENTINTF_API S_Service {
    std::string Id;
    std::string CityNo;
    std::string Title;
    std::string ServiceUrl;
    std::string UpdateUrl;
    std::string DemoUrl;
    std::string Description;
};

// One crash or error report.
struct EZEVACLIENTINTF_API S_BugInfo {
    std::string OperatingSystem;
    std::string Cpu;
    std::string Memory;
    std::string Version;
    std::string ModuleName;
    std::string ModuleVer;
    std::string FileName;
    std::string FunctionName;
    std::string LineNo;
    std::string Description;
    std::string Type;
    std::string Ctime;
};

class EZEVACLIENTINTF_API CeZEVAClientIntf {
public:
    CeZEVAClientIntf();
    CeZEVAClientIntf(const CeZEVAClientIntf& other);
    CeZEVAClientIntf& operator=(const CeZEVAClientIntf& other);
    ~CeZEVAClientIntf();

    // Stores the settings of later calls; no network access, always 0.
    int Initialize(const char* endpoint, unsigned int timeout, EBCI_PROXYOPTION proxyOption,
                   const char* proxyHost, short proxyPort, const char* proxyUser,
                   const char* proxyPassword);
    // Text of the last failure; a successful call leaves it as it was.
    const char* GetLastErrorInfo();

    // A refused report is not a failure: 0 with `accepted` false.
    int SetUserOnlineLength(const char* userId, const char* account,
                            const std::vector<S_OnlineInfo>& onlineList, bool& accepted);
    int GetUserAttribution(const char* account, std::string& attribution);
    // `own` is true exactly when the service's Description is "1".
    int GetOwnService(const char* account, S_Service& service, bool& own);
    int GetServiceList(std::vector<S_Service>& services);
    int SetBugLog(const std::vector<S_BugInfo>& bugs, bool& accepted);
    int GetCurrentAccount(std::string& account);

private:
    void SetErrorInfo(const char* text);
    struct Call;

    std::string m_strErrorInfo;
    std::string m_strEndpoint;
    EBCI_PROXYOPTION m_proxyOption;
    std::string m_strProxyHost;
    short m_proxyPort;
    std::string m_strProxyUser;
    std::string m_strProxyPassword;
    unsigned int m_timeout;
};
