// Libraries that look like plug-ins and are not sound ones, for the loader's
// tests; ZEVA_BROKEN selects which fault this build carries.

#include <chrono>
#include <stdexcept>
#include <thread>

#include "PlugContract.h"

#if ZEVA_BROKEN == 1  // exports no PlugCreate
extern "C" ZEVA_PLUG_EXPORT bool PlugInit() {
    return true;
}
#elif ZEVA_BROKEN == 2  // needs a symbol nobody defines
extern "C" void zeva_test_symbol_nobody_defines();  // on Windows: in a DLL left elsewhere
extern "C" ZEVA_PLUG_EXPORT void PlugCreate(CWnd*) {
    zeva_test_symbol_nobody_defines();
}
#elif ZEVA_BROKEN == 3  // lets exceptions out of PlugCreate and PlugUnInit
extern "C" ZEVA_PLUG_EXPORT void PlugCreate(CWnd*) {
    throw std::runtime_error("the page template is missing");
}
extern "C" ZEVA_PLUG_EXPORT bool PlugUnInit() {
    throw 42;
}
#elif ZEVA_BROKEN == 4  // lets an exception out of PlugInit
extern "C" ZEVA_PLUG_EXPORT void PlugCreate(CWnd*) {}
extern "C" ZEVA_PLUG_EXPORT bool PlugInit() {
    throw std::runtime_error("no settings file");
}
#elif ZEVA_BROKEN == 5  // keeps the window thread busy in PlugCreate
extern "C" ZEVA_PLUG_EXPORT void PlugCreate(CWnd*) {
    std::this_thread::sleep_for(std::chrono::seconds(120));
}
#endif
