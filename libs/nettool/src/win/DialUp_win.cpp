// Dial-up links on Windows: the active connections of Remote Access
// (RasEnumConnectionsW), their device types and the user names stored with
// their phone-book entries.
#include <windows.h>

#include <ras.h>
#include <raserror.h>

#include <vector>

#include "DialUp.h"
#include "platform/CodePage.h"

namespace {

std::wstring Wide(const std::string& acp) {
    const std::string utf8 = zeva::AcpToUtf8(acp);
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Acp(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(n - 1));
    return zeva::Utf8ToAcp(utf8);
}

// The active connections; nullopt-like false when Remote Access cannot be asked.
bool ActiveConnections(std::vector<RASCONNW>& out) {
    DWORD size = sizeof(RASCONNW);
    DWORD count = 0;
    out.clear();
    out.resize(1);
    out[0].dwSize = sizeof(RASCONNW);
    DWORD rc = RasEnumConnectionsW(out.data(), &size, &count);
    if (rc == ERROR_BUFFER_TOO_SMALL) {
        out.clear();
        out.resize(size / sizeof(RASCONNW) + 1);
        for (auto& c : out) c.dwSize = sizeof(RASCONNW);
        size = static_cast<DWORD>(out.size() * sizeof(RASCONNW));
        rc = RasEnumConnectionsW(out.data(), &size, &count);
    }
    if (rc != ERROR_SUCCESS) return false;
    out.resize(count);
    return true;
}

}  // namespace

CDialUp::CDialUp(std::string entryName, std::string phoneBook)
    : entryName_(std::move(entryName)), phoneBook_(std::move(phoneBook)) {}

int CDialUp::GetActiveDialUp(CDialUp& dialUp, bool& active, std::string& name, DIAL_TYPE type) {
    active = false;
    name.clear();
    try {
        std::vector<RASCONNW> connections;
        if (!ActiveConnections(connections)) return -1;
        for (const RASCONNW& c : connections) {
            RASCONNSTATUSW status{};
            status.dwSize = sizeof status;
            if (RasGetConnectStatusW(c.hrasconn, &status) != ERROR_SUCCESS ||
                status.rasconnstate != RASCS_Connected)
                continue;
            const std::string entry = Acp(c.szEntryName);
            if (!dialUp.entryName_.empty() && entry != dialUp.entryName_) continue;
            const bool pppoe = _wcsicmp(c.szDeviceType, RASDT_PPPoE) == 0;
            if ((type == DIAL_TYPE_PPPOE && !pppoe) || (type == DIAL_TYPE_MODEM && pppoe)) continue;
            active = true;
            name = entry;
            dialUp.entryName_ = entry;
            dialUp.interface_ = Acp(c.szDeviceName);
            return 0;
        }
        return 0;
    } catch (...) {
        return -1;
    }
}

int CDialUp::GetActiveDialUp(bool& active, std::string& name, DIAL_TYPE type) {
    CDialUp any("", "");
    return GetActiveDialUp(any, active, name, type);
}

int CDialUp::GetStoredUserName(std::string& user) const {
    user.clear();
    const std::wstring entry = Wide(entryName_);
    if (entry.empty() || entry.size() > RAS_MaxEntryName) return -1;
    RASDIALPARAMSW params{};
    params.dwSize = sizeof params;
    entry.copy(params.szEntryName, RAS_MaxEntryName);
    const std::wstring book = Wide(phoneBook_);
    BOOL hasPassword = FALSE;
    if (RasGetEntryDialParamsW(book.empty() ? nullptr : book.c_str(), &params, &hasPassword) !=
            ERROR_SUCCESS ||
        params.szUserName[0] == L'\0')
        return -1;
    user = Acp(params.szUserName);
    return 0;
}
