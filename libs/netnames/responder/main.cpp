// zeva-name-responder: answers NetBIOS node-status and reverse look-up
// questions on one UDP address, for the LAN test bed.
//
//   zeva-name-responder --bind IP --port N [--netbios NAME]... [--ptr IP=NAME]... [--mdns]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "NameResponder.h"

using zeva::netnames::NameResponder;

int main(int argc, char** argv) {
    NameResponder::Config config;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--bind" && hasValue) {
            config.bindIp = argv[++i];
        } else if (a == "--port" && hasValue) {
            config.port = static_cast<std::uint16_t>(std::atoi(argv[++i]));
        } else if (a == "--netbios" && hasValue) {
            // The workstation name and the file-server name, as Windows registers them.
            const std::string name = argv[++i];
            config.netbios.push_back({name, 0x00, false});
            config.netbios.push_back({"WORKGROUP", 0x00, true});
            config.netbios.push_back({name, 0x20, false});
        } else if (a == "--ptr" && hasValue) {
            const std::string pair = argv[++i];
            const auto eq = pair.find('=');
            if (eq == std::string::npos) {
                std::fprintf(stderr, "zeva-name-responder: --ptr takes IP=NAME\n");
                return 2;
            }
            config.ptr[pair.substr(0, eq)] = pair.substr(eq + 1);
        } else if (a == "--mdns") {
            config.mdnsStyle = true;
        } else {
            std::fprintf(stderr,
                         "usage: zeva-name-responder --bind IP --port N [--netbios NAME]... "
                         "[--ptr IP=NAME]... [--mdns]\n");
            return 2;
        }
    }
    NameResponder responder(config);
    std::string error;
    if (!responder.Bind(error)) {
        std::fprintf(stderr, "zeva-name-responder: %s\n", error.c_str());
        return 1;
    }
    std::printf("listening %s:%u\n", config.bindIp.c_str(), responder.Port());
    std::fflush(stdout);
    responder.Serve();
    return 0;
}
