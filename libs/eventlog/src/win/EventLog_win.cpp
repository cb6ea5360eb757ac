// The system log on Windows: one error event in the Application log, its
// source the module's name, its one string the record's text in UTF-16.
#include <windows.h>

#include "EventLog_p.h"

namespace zeva::eventlog {

namespace {

// An event ID with the customer bit clear and severity error, as message
// compilers number an application's first error message.
constexpr DWORD kEventId = 0xC0000001;

std::wstring Wide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

}  // namespace

bool Report(const std::string& source, const std::string& text) {
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
