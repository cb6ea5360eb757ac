// ZEVASilentUpdate: brings the main client to the published release without
// asking anyone. Callers start it with flags of their own, so the command line
// is ignored, save for a request for help; the exit code is always 0.

#include <cstdio>
#include <cstring>

#include "ConsoleUpdateHost.h"
#include "SilentUpdate.h"

namespace {

constexpr char kUsage[] =
    "usage: ZEVASilentUpdate [--help]\n"
    "\n"
    "Brings the installation in the application directory (ZEVA_APP_DIR, else the\n"
    "program's own folder) to the release on the update servers of Config.dat\n"
    "[Update], without a window: downloads, checks, installs, sets [Update] Version\n"
    "and starts the client again with -AutoRun after a 5 s pause. A running client\n"
    "(its window class is ZEVACLIENT) is closed before files are installed. It writes\n"
    "no UpdateRecord.dat; a release it refuses (signature, checksums) is named in the\n"
    "system log. Other arguments are ignored; the exit status is 0.\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    // The running client is closed before installing and started again after.
    zeva::ConsoleUpdateHost host(true, true);
    zeva::RunSilentUpdate(host);
    return 0;
}
