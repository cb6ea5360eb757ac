// languard-bed-dump: opens the LAN check plug-in as the host does (headless,
// real clock), waits for the finished page and prints what it lists, one
// device a line: IP, MAC, vendor, name and marker, tab-separated, UTF-8,
// after a first line "finished-ms N" (or "unfinished"). Runs inside the LAN
// test bed's scanning namespace.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "DlgSubPage.h"
#include "LanguardResources.h"
#include "PluginHarness.h"
#include "platform/CodePage.h"

using namespace languard;

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--unload-after") {
        auto harness = std::make_unique<zeva::test::PluginHarness>(argv[3], false);
        if (!harness->Loaded() || !harness->Open()) return 1;
        harness->PumpUntil([] { return false; }, std::atoi(argv[2]));
        const auto start = std::chrono::steady_clock::now();
        // As the host unloads a plug-in: PlugUnInit, then the library goes.
        harness->UnInit();
        harness.reset();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        std::printf("unloaded-ms %lld\n", static_cast<long long>(ms));
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: languard-bed-dump PLUGIN.so [TIMEOUT-MS]\n");
        return 2;
    }
    const int timeoutMs = argc > 2 ? std::atoi(argv[2]) : 30000;
    zeva::test::PluginHarness harness(argv[1], false);
    if (!harness.Loaded()) {
        std::fprintf(stderr, "languard-bed-dump: %s\n", harness.Error().c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    CDlgSubPage* page = harness.Open();
    if (!page || !page->GetSafeHwnd()) return 1;
    const bool finished = harness.PumpUntil(
        [&] {
            CWnd* rescan = page->GetDlgItem(kIdRescan);
            return rescan && rescan->IsVisibleFlag();
        },
        timeoutMs);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    if (finished) {
        std::printf("finished-ms %lld\n", static_cast<long long>(ms));
    } else {
        std::printf("unfinished\n");
    }
    std::printf("count %s\n", page->GetDlgItemText(kIdCount).c_str());
    CWnd* list = nullptr;
    for (CWnd* c : page->Children()) {
        if (c->GetDlgCtrlID() == kListTemplate && c->Kind() == zeva::ui::ControlKind::Dialog)
            list = c;
    }
    if (list) {
        for (CWnd* row : list->Children()) {
            std::string line;
            for (UINT id : {kIdRowIp, kIdRowMac, kIdRowVendor, kIdRowName, kIdRowMarker}) {
                if (!line.empty()) line += '\t';
                line += zeva::AcpToUtf8(row->GetDlgItemText(static_cast<int>(id)));
            }
            std::printf("%s\n", line.c_str());
        }
    }
    page->DestroyWindow();
    return finished ? 0 : 3;
}
