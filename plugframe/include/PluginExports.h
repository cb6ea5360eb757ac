#pragma once
// The exports of a plug-in in one line. The page is a function-local static
// (made on the first PlugCreate, destroyed when the library unloads) and
// every PlugCreate asks it to CreateSubWindow; no exception leaves an export.
//
//   ZEVA_DEFINE_PLUGIN(CDlgReceipt, 10037)         PlugCreate(CWnd* parent)
//   ZEVA_DEFINE_PLUGIN_NOARG(CDlgTestMain, 14017)  PlugCreate(), null parent
//   ZEVA_DEFINE_PLUGIN_INIT(Init, UnInit)          PlugInit()/PlugUnInit() call bool
//   Init()/UnInit()
//
// Each also exports ZevaPlugPage(), the page object, for the test harness,
// and ZevaPlugUnload(), which hosts call before unloading the library.

#include <cstdio>
#include <exception>

#include "DlgSubPage.h"
#include "PlugContract.h"

namespace zeva::plug::detail {

template <class Fn>
auto Guarded(const char* what, Fn fn, decltype(fn()) failed) noexcept -> decltype(fn()) {
    try {
        return fn();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", what, e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: unknown failure\n", what);
    }
    return failed;
}

}  // namespace zeva::plug::detail

#define ZEVA_PLUGIN_PAGE_ACCESS_(PageClass)                                            \
    namespace {                                                                        \
    PageClass* g_zevaPage = nullptr;                                                   \
    PageClass& ZevaThePage() {                                                         \
        static PageClass page;                                                         \
        g_zevaPage = &page;                                                            \
        return page;                                                                   \
    }                                                                                  \
    }                                                                                  \
    extern "C" ZEVA_PLUG_EXPORT CDlgSubPage* ZevaPlugPage() {                          \
        return zeva::plug::detail::Guarded(                                            \
            "ZevaPlugPage", []() -> CDlgSubPage* { return &ZevaThePage(); }, nullptr); \
    }                                                                                  \
    extern "C" ZEVA_PLUG_EXPORT void ZevaPlugUnload() {                                \
        zeva::plug::detail::Guarded(                                                   \
            "ZevaPlugUnload",                                                          \
            []() -> int {                                                              \
                if (g_zevaPage) g_zevaPage->DestroyWindow();                           \
                zeva::plug::AsyncCalls::WaitForWorkers();                              \
                return 0;                                                              \
            },                                                                         \
            0);                                                                        \
    }

#define ZEVA_DEFINE_PLUGIN(PageClass, TemplateId)                                                \
    ZEVA_PLUGIN_PAGE_ACCESS_(PageClass)                                                          \
    extern "C" ZEVA_PLUG_EXPORT void PlugCreate(CWnd* parent) {                                  \
        zeva::plug::detail::Guarded(                                                             \
            "PlugCreate",                                                                        \
            [parent]() -> int { return ZevaThePage().CreateSubWindow(TemplateId, parent); }, 0); \
    }

#define ZEVA_DEFINE_PLUGIN_NOARG(PageClass, TemplateId)                                     \
    ZEVA_PLUGIN_PAGE_ACCESS_(PageClass)                                                     \
    extern "C" ZEVA_PLUG_EXPORT void PlugCreate() {                                         \
        zeva::plug::detail::Guarded(                                                        \
            "PlugCreate",                                                                   \
            []() -> int { return ZevaThePage().CreateSubWindow(TemplateId, nullptr); }, 0); \
    }

#define ZEVA_DEFINE_PLUGIN_INIT(InitFn, UnInitFn)                      \
    extern "C" ZEVA_PLUG_EXPORT bool PlugInit() {                      \
        return zeva::plug::detail::Guarded(                            \
            "PlugInit", []() -> bool { return InitFn(); }, false);     \
    }                                                                  \
    extern "C" ZEVA_PLUG_EXPORT bool PlugUnInit() {                    \
        return zeva::plug::detail::Guarded(                            \
            "PlugUnInit", []() -> bool { return UnInitFn(); }, false); \
    }
