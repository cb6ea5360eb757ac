// A host program built against the installed library only.
#include <eZEVAClientIntf.h>

#include <cstdio>

int main() {
    CeZEVAClientIntf client;
    client.Initialize("", 1, EBCI_PROXY_NONE, nullptr, 0, nullptr, nullptr);
    std::string account = "kept";
    if (client.GetCurrentAccount(account) != -1 || account != "kept") return 1;
    std::printf("host program linked eZEVAClientIntf\n");
    return 0;
}
