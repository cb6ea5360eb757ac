#pragma once
// Client of the provider's back-office web service (SOAP 1.1 over HTTP).
//
// Create one CZEVAClientIntf per operation or page, call Initialize with the
// endpoint, time-out and proxy option, call an operation, read
// GetLastErrorInfo when it returned -1, and destroy the object. Every call
// blocks the calling thread, opens its own connection and closes it again.
//
// Strings at this interface are multi-byte text in the system code page
// (GBK unless ZEVA_ACP names another); the wire carries UTF-8. A null C
// string argument is sent as an empty string. Lists are appended to, never
// cleared first. The last known account, broadband type and city are kept in
// "UserData.dat" in the application directory.

#include <string>
#include <vector>

// The library's build defines ZEVACLIENTINTF_EXPORTS; its users import.
#if defined(_WIN32) && defined(ZEVACLIENTINTF_EXPORTS)
#define ZEVACLIENTINTF_API __declspec(dllexport)
#elif defined(_WIN32)
#define ZEVACLIENTINTF_API __declspec(dllimport)
#else
#define ZEVACLIENTINTF_API __attribute__((visibility("default")))
#endif

struct soap;

enum BCI_PROXYOPTION {
    BCI_PROXY_NONE = 0,    // direct connection
    BCI_PROXY_IE = 1,      // the user's Internet Settings proxy, read at every call
    BCI_PROXY_CUSTOM = 2,  // the proxy host, port, user and password given to Initialize
};

// The broadband type of an account.
struct ZEVACLIENTINTF_API S_NetType {
    std::string Id;
    std::string BandType;
    std::string BandRate;
    std::string MaxValue;
    std::string Value;
    std::string Description;
};

// The result of one web-access test.
struct ZEVACLIENTINTF_API S_HttpInfo {
    std::string UserId;
    std::string NetTypeId;
    std::string Url;
    std::string DNSIp;
    std::string HTTPServiceability;
    std::string DNSTimeDelay;
    std::string TCPTimeDelay;
    std::string HTTPTimeDelay;
    std::string Result;
    std::string Type;
    std::string Version;
};

// The answer to a work-order report.
struct ZEVACLIENTINTF_API S_UPFINISHOUT {
    bool Result = false;
    std::string ResultDesc;
};

// One speed-test server.
struct ZEVACLIENTINTF_API S_SpeedConfig {
    std::string Id;
    std::string Title;
    std::string Url;
    std::string Type;
    std::string City;
    std::string Description;
    std::string CTime;
};

// One video test source.
struct ZEVACLIENTINTF_API S_VideoConfig {
    std::string Id;
    std::string Title;
    std::string Url;
    std::string Type;
    std::string City;
    std::string Description;
    std::string CTime;
};

// One information push.
struct ZEVACLIENTINTF_API S_InfoPush {
    int Id = 0;
    std::string Title;
    std::string SummaryInfo;
    std::string InfoUrl;
};

// One fee push.
struct ZEVACLIENTINTF_API S_FeeInfoPush {
    int Id = 0;
    std::string Title;
    std::string SummaryInfo;
    std::string InfoUrl;
};

// The feedback page of a push.
struct ZEVACLIENTINTF_API S_FeedBackInfo {
    std::string title;
    std::string url;
    std::string desc;
};

// Recommended DNS servers.
struct ZEVACLIENTINTF_API S_Dns {
    std::string Dns;
    std::string Dnsbak;
};

// One installation record.
struct ZEVACLIENTINTF_API S_UseInfo {
    std::string SerialNo;
    std::string UserId;
    std::string Version;
    std::string Mac;
    std::string CpuId;
    std::string Disksn;
};

// Exported for callers; no operation of this library fills the records below.
struct ZEVACLIENTINTF_API S_SpeedConfigEx {
    std::string SerialNo;
    std::string UserId;
    std::string Version;
    std::string Mac;
    std::string CpuId;
    std::string Disksn;
};

struct ZEVACLIENTINTF_API S_ItemInfo {
    std::string Name;
    std::string Value;
    std::string Result;
    std::string Description;
};

struct ZEVACLIENTINTF_API S_DNSHIJACKINFO {
    std::string Domain;
    std::vector<std::string> LocalDns;
    std::vector<std::string> ExpectedIps;
    std::vector<std::string> ResolvedIps;
};

struct ZEVACLIENTINTF_API S_ErrorHistoryEx {
    std::vector<S_ItemInfo> Items;
    std::string ErrorCode;
    std::string TypeNo;
    std::string ReasonNo;
    std::string UserId;
    std::string CTime;
    std::string IsSucceed;
    std::string CpeName;
    std::string IsExactError;
    std::string DialType;
    std::string ConnectType;
    std::string Account;
    std::string Mac;
    std::string Version;
    std::string Description;
    std::string Solution;
    std::string StartTime;
    std::string EndTime;
};

class ZEVACLIENTINTF_API CZEVACommonClientIntf {
public:
    CZEVACommonClientIntf();
    CZEVACommonClientIntf(const CZEVACommonClientIntf& other);
    CZEVACommonClientIntf& operator=(const CZEVACommonClientIntf& other);
    ~CZEVACommonClientIntf();

    // Stores the settings of later calls; no network access, always 0.
    int Initialize(const char* endpoint, unsigned int timeout, BCI_PROXYOPTION proxyOption,
                   const char* proxyHost, short proxyPort, const char* proxyUser,
                   const char* proxyPassword);
    // Text of the last failure; a successful call leaves it as it was.
    const char* GetLastErrorInfo();

    int GetClientIp(std::string& ip);
    int GetClientIpAccount(std::string& ip, std::string& account);
    int GetCurrentAccount(std::string& account, bool fromServer);
    int GetAccountStatus(const char* account, int& status);
    int GetAccountNetType(const char* account, S_NetType& netType, bool fromServer);
    int GetAccountCity(const char* account, std::string& city, bool fromServer);
    int GetDialUpHistoryUrl(const char* account, std::string& url);
    int GetChangePasswordUrl(const char* account, const char* password, std::string& url);
    int GetUserBalance(const char* account, std::string& balance);
    int GetDialUpTimes(const char* account, std::string& times);
    int SetHttpInfo(std::vector<S_HttpInfo>& httpInfo);

protected:
    // One call's SOAP context and connection; defined inside the library.
    class CallFrame;

    void _SetErrorInfo(const char* text);
    void _InitializeSoap(struct soap* ctx, unsigned int timeout, BCI_PROXYOPTION proxyOption,
                         const char* proxyHost, short proxyPort, const char* proxyUser,
                         const char* proxyPassword);
    void _DestroySoap(struct soap* ctx, BCI_PROXYOPTION proxyOption);
    void _AcpToUtf8(const char* in, std::string& out);
    void _Utf8ToAcp(const char* in, std::string& out);
    void _FindString(const char* text, const char* openTag, const char* closeTag, std::string& out);
    void _FindString(const char* text, const char* openTag, const char* closeTag, int& out);
    void _ReadFromLocalCache(std::string section, std::string key, std::string& value);
    void _WriteToLocalCache(std::string section, std::string key, std::string value);

private:
    std::string m_strErrorInfo;
    std::string m_strEndpoint;
    BCI_PROXYOPTION m_proxyOption;
    std::string m_strProxyHost;
    short m_proxyPort;
    std::string m_strProxyUser;
    std::string m_strProxyPassword;
    unsigned int m_timeout;
};

class ZEVACLIENTINTF_API CZEVAClientIntf : public CZEVACommonClientIntf {
public:
    CZEVAClientIntf();
    CZEVAClientIntf(const CZEVAClientIntf& other);
    CZEVAClientIntf& operator=(const CZEVAClientIntf& other);
    ~CZEVAClientIntf();

    // Speed and fault reports. Arguments are sent unchanged inside the
    // report's elements; where the argument order differs from the element
    // order, the signature follows the argument order.
    int SetSpeedInfo(const char* NetTypeId, const char* ResponseRate, const char* DialupType,
                     const char* BTime, const char* CTime, const char* FileVolume,
                     const char* ResponseMaxRate, const char* UserId, const char* BgFlux_upload,
                     const char* BgFlux_download, const char* PCCount, const char* Type,
                     const char* Version, const char* Mac, const char* SerialNo, const char* CpuId,
                     const char* Disksn);
    int SetSpeedTestBGInfo(const char* NetTypeId, const char* ResponseRate, const char* DialupType,
                           const char* CTime, const char* UserId, int PCCount, const char* Version);
    int SetSpeedSlowInfo(const char* DialType, const char* ConnectType, const char* IeAgent,
                         const char* Dns, const char* DnsResolveTime, const char* CpuUseRatio,
                         const char* MemoryUseRatio, const char* MemoryTotalSize,
                         const char* WirelessIntensity, const char* FluxUseRatio,
                         const char* Account, const char* CurrentArea, const char* TestSpeedSite,
                         const char* Speed, const char* BandWidth, const char* RouteTraceNode,
                         const char* RouteTraceTarget, const char* Processes,
                         const char* ConnNumber, const char* FlowBeforeSpeed,
                         const char* FlowAfterSpeed, const char* HttpSpeedTestUrl,
                         const char* HttpSpeedTestUsedTime, const char* UpSpeed,
                         const char* DnsInfo, const char* Ssid, const char* DownFlowBeforeSpeed,
                         const char* DownFlowAfterSpeed, const char* UpFlowBeforeSpeed,
                         const char* UpFlowAfterSpeed, std::string& result);
    int SetErrorITVInfo(const char* DialType, const char* ConnectType, const char* IeAgent,
                        const char* Dns, const char* CpuUseRatio, const char* MemoryUseRatio,
                        const char* MemoryTotalSize, const char* WirelessIntensity,
                        const char* FluxUseRatio, const char* Account, const char* CurrentArea,
                        const char* TestSpeedSite, const char* Speed, const char* BandWidth,
                        const char* RouteTraceNode, const char* ItvIp, std::string& result);
    int SetErrorHistory(const char* ErrorCode, const char* TypeNo, const char* ReasonNo,
                        const char* UserId, const char* CTime, bool IsSucceed, const char* CpeName,
                        bool IsExactError, std::string& result);
    int UpFinish(const char* WorkListNum, const char* Speed, const char* DialType,
                 const char* ConnectType, const char* CpuType, const char* MemoryTotalSize,
                 const char* WirelessIntensity, const char* CpeName, const char* BequeathalProblems,
                 const char* UserId, const char* PassWd, const char* ErrorId,
                 const char* OverTimeId, const char* Mark, const char* UserName, const char* Phone,
                 const char* Account, const char* ClientId, const char* Mac, const char* PCCount,
                 const char* Version, S_UPFINISHOUT& out);

    // Lists, pushes and look-ups. Lists are appended to, never cleared first.
    int GetSpeedConfigList(const char* request, std::vector<S_SpeedConfig>& list);
    int GetVideoConfigList(std::vector<S_VideoConfig>& list);
    int GetInfoPush(int lastId, const char* account, std::vector<S_InfoPush>& list);
    int GetFeeInfoPush(int lastId, const char* account, std::vector<S_FeeInfoPush>& list);
    int CheckPushFeedback(const char* request, S_FeedBackInfo& info);
    int GetDns(const char* request, S_Dns& dns);
    int Get691Index(const char* ErrorCode, const char* TypeNo, const char* ReasonNo,
                    const char* UserId, const char* CTime, std::string& result);
    int GetLastDialUpError(const char* account, int& errorCode, std::string& u20, std::string& u09);
    int CheckAccountPassword(const char* account, const char* password, bool& valid);
    int GetUserNameAndWorkListNum(const char* operationCode, const char* accounts,
                                  std::vector<std::string>& list);

    // Usage statistics; counts are written as signed decimal numbers.
    int SetUseInfo(S_UseInfo& useInfo);
    int SetVPDNUsage(unsigned int successTimes, unsigned int unsuccessTimes);
    int SetClientFunctionUsage(const char* tag, unsigned int times);
};
