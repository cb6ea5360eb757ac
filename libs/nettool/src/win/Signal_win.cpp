// The wireless signal on Windows: the WLAN service's quality of the
// adapter's current connection (0-100), on the same five levels.
#include <windows.h>

#include <objbase.h>
#include <wlanapi.h>

#include "NetworkAdapter.h"
#include "SysProbe.h"

namespace {

std::string GuidText(const GUID& g) {
    wchar_t text[64] = {};
    if (StringFromGUID2(g, text, 64) == 0) return {};
    std::string out;
    for (const wchar_t* p = text; *p != L'\0'; ++p) out.push_back(static_cast<char>(*p));
    return out;
}

}  // namespace

int CNetworkAdapter::GetSignalStrenghLevel(int& level) const {
    level = 0;
    DWORD version = 0;
    HANDLE client = nullptr;
    if (WlanOpenHandle(2, nullptr, &version, &client) != ERROR_SUCCESS) return -1;
    int result = -1;
    WLAN_INTERFACE_INFO_LIST* list = nullptr;
    if (WlanEnumInterfaces(client, nullptr, &list) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < list->dwNumberOfItems && result != 0; ++i) {
            const WLAN_INTERFACE_INFO& info = list->InterfaceInfo[i];
            // The adapter's id is its GUID, as the adapter list names it.
            if (_stricmp(GuidText(info.InterfaceGuid).c_str(), id_.c_str()) != 0) continue;
            if (info.isState != wlan_interface_state_connected) continue;
            DWORD size = 0;
            void* data = nullptr;
            if (WlanQueryInterface(client, &info.InterfaceGuid, wlan_intf_opcode_current_connection,
                                   nullptr, &size, &data, nullptr) != ERROR_SUCCESS)
                continue;
            const auto* connection = static_cast<const WLAN_CONNECTION_ATTRIBUTES*>(data);
            const double percent = connection->wlanAssociationAttributes.wlanSignalQuality;
            // The levels' scale is the link quality out of 70.
            level = zeva::probe::SignalLevel({id_, percent * 70.0 / 100.0, 0});
            WlanFreeMemory(data);
            result = 0;
        }
        WlanFreeMemory(list);
    }
    WlanCloseHandle(client, nullptr);
    return result;
}
