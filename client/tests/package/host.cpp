// A host program built against the installed library only.
#include <ZEVAClientIntf.h>

#include <cstdio>

int main() {
    CZEVAClientIntf client;
    client.Initialize("http://127.0.0.1:1/kelv/BService.ws", 1, BCI_PROXY_NONE, nullptr, 0, nullptr,
                      nullptr);
    std::string balance = "local";
    S_NetType netType;
    if (client.GetUserBalance("a", balance) != 0 || balance != "local") return 1;
    if (client.GetAccountNetType("a", netType, false) != 0) return 1;
    std::printf("host program linked ZEVAClientIntf\n");
    return 0;
}
