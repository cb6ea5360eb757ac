// The system log on Windows: one error event in the Application log, its
// source the module's name, its one string the record's text in UTF-16.
// Tests redirect the record to a UDP port of their own on the loopback
// address, the counterpart of the Linux log socket (the event log cannot be
// read back everywhere, Wine included).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <cstdlib>

#include "EventLog_p.h"
#include "platform/WinText.h"

namespace zeva::eventlog {

namespace {

using zeva::win::Wide;

// An event ID with the customer bit clear and severity error, as message
// compilers number an application's first error message.
constexpr DWORD kEventId = 0xC0000001;

// "127.0.0.1:<port>" only: a redirected record never leaves the machine.
bool LoopbackPort(const std::string& text, unsigned short& port) {
    constexpr char kPrefix[] = "127.0.0.1:";
    if (text.rfind(kPrefix, 0) != 0) return false;
    const std::string digits = text.substr(sizeof kPrefix - 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) return false;
    port = static_cast<unsigned short>(value);
    return true;
}

bool SendToLoopback(const std::string& target, const std::string& record) {
    unsigned short port = 0;
    if (!LoopbackPort(target, port)) return false;
    WSADATA wsa{};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
    bool ok = false;
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s != INVALID_SOCKET) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok = sendto(s, record.data(), static_cast<int>(record.size()), 0,
                    reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<int>(record.size());
        closesocket(s);
    }
    WSACleanup();
    return ok;
}

}  // namespace

bool Report(const std::string& source, const std::string& text) {
    if (const char* redirect = std::getenv("ZEVA_SYSLOG_SOCKET");
        redirect != nullptr && *redirect != '\0') {
        return SendToLoopback(redirect,
                              SyslogRecord(source, text, static_cast<long>(GetCurrentProcessId())));
    }
    const HANDLE log = RegisterEventSourceW(nullptr, Wide(source).c_str());
    if (log == nullptr) return false;
    const std::wstring wide = Wide(text);
    const wchar_t* strings[] = {wide.c_str()};
    const bool ok =
        ReportEventW(log, EVENTLOG_ERROR_TYPE, 0, kEventId, nullptr, 1, 0, strings, nullptr) != 0;
    DeregisterEventSource(log);
    return ok;
}

}  // namespace zeva::eventlog
