// ZEVASilentUpdate: brings the main client to the published release without
// asking anyone. The command line is not read; the exit code is always 0.

#include "ConsoleUpdateHost.h"
#include "SilentUpdate.h"

int main() {
    zeva::ConsoleUpdateHost host(true);
    zeva::RunSilentUpdate(host);
    return 0;
}
