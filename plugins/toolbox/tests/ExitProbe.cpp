// A host in miniature for the tests: loads the toolbox, calls PlugInit, and
// once the update has staged FILE ends its process without PlugUnInit.
//   toolbox_exit_probe PLUGIN FILE

#include <dlfcn.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "PlugContract.h"

// The cipher library's global state, reached only through the plug-in that
// stays loaded until exit, is not what the leak check is about here.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libcrypto\n";
}

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    auto init =
        library ? reinterpret_cast<PlugInitFn>(dlsym(library, zeva::plug::kPlugInit)) : nullptr;
    if (!init || !init()) return 10;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::error_code ec;
    while (!std::filesystem::exists(argv[2], ec)) {
        if (std::chrono::steady_clock::now() > deadline) return 11;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Give the next (held) transfer time to start.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    dlclose(library);
    return 0;
}
