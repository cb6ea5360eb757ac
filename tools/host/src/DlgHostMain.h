#pragma once
// The host's main window: lists the plug-ins found in the application
// directory, opens one per click, answers a tool picked in the toolbox
// (message 1825) and closes the whole program on WM_CLOSE.

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "PluginLoader.h"

namespace zeva::host {
inline constexpr UINT kMainTemplate = 100;
inline constexpr UINT kIdTitle = 101;
inline constexpr UINT kIdClose = 102;
inline constexpr UINT kIdMinimise = 103;
inline constexpr UINT kIdListCaption = 104;
inline constexpr UINT kIdStatus = 105;
inline constexpr UINT kIdFirstPlugin = 200;
void RegisterHostResources();
}  // namespace zeva::host

class CDlgHostMain : public CImageDialog {
public:
    CDlgHostMain(zeva::host::PluginLoader& loader, bool autoRun);
    // Opens a plug-in page by library name; false with the reason shown.
    bool OpenPlugin(const std::string& name);
    // Opens the tool the catalogues list under `plugId`.
    bool OpenTool(const std::string& plugId);
    void SetStatus(const std::string& acpText);
    // The last value a page closed with, -1 before any.
    int LastPageResult() const { return lastPageResult_; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnClose() override;

private:
    zeva::host::PluginLoader& loader_;
    bool autoRun_;
    std::vector<std::string> plugins_;
    std::vector<std::unique_ptr<CImageButtonX>> buttons_;
    int lastPageResult_ = -1;
};
