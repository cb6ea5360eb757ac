#include "DlgHostMain.h"

#include <cstdio>
#include <mutex>

#include "platform/CodePage.h"
#include "platform/WindowFinder.h"

using namespace zeva;
using namespace zeva::ui;
using namespace zeva::host;

namespace {
constexpr int kColumns = 2;
}

void zeva::host::RegisterHostResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate t;
        t.id = kMainTemplate;
        t.cx = 260;
        t.cy = 170;
        t.fontFace = Acp("宋体");
        t.fontSize = 9;
        t.caption = "ZEVAClient";
        t.style = WS_POPUP;
        t.controls = {
            {kIdTitle, ControlKind::Static, 8, 6, 150, 10, Acp("Pelmo 宽带助手"), 0, true},
            {kIdMinimise, ControlKind::Button, 226, 3, 14, 14, "", 0, true},
            {kIdClose, ControlKind::Button, 242, 3, 14, 14, "", 0, true},
            {kIdListCaption, ControlKind::Static, 10, 28, 200, 10, Acp("已安装的插件："), 0, true},
            {kIdStatus, ControlKind::Static, 10, 154, 240, 10, "", 0, true},
        };
        RegisterDialogTemplate(nullptr, t);
        RegisterSkinImage(nullptr, 90001, SkinImageInfo{SkinGlyph::Minimise, {}, {}});
        RegisterSkinImage(nullptr, 90002, SkinImageInfo{SkinGlyph::Close, {}, {}});
    });
}

CDlgHostMain::CDlgHostMain(PluginLoader& loader, bool autoRun)
    : CImageDialog(kMainTemplate, nullptr), loader_(loader), autoRun_(autoRun) {
    RegisterHostResources();
}

BOOL CDlgHostMain::OnInitDialog() {
    CImageDialog::OnInitDialog();
    GetDlgItem(kIdTitle)->SetTextColor(RGB(255, 255, 255));
    GetDlgItem(kIdTitle)->SetFontBold(true);
    GetDlgItem(kIdTitle)->SetFontSize(14);
    static_cast<CImageButtonX*>(GetDlgItem(kIdClose))->SetImages(90002, 90002, 90002);
    static_cast<CImageButtonX*>(GetDlgItem(kIdMinimise))->SetImages(90001, 90001, 90001);
    static_cast<CImageButtonX*>(GetDlgItem(kIdClose))->SetShowText(false);
    static_cast<CImageButtonX*>(GetDlgItem(kIdMinimise))->SetShowText(false);
    GetDlgItem(kIdStatus)->SetTextColor(RGB(0x66, 0x66, 0x66));

    plugins_ = PluginLoader::Discover();
    // A person picks tools by the names the catalogues give them; a library
    // no catalogue lists shows its file name.
    const auto names = PluginLoader::CatalogueNames();
    for (std::size_t i = 0; i < plugins_.size(); ++i) {
        CRect r(10 + static_cast<int>(i % kColumns) * 122, 42 + static_cast<int>(i / kColumns) * 22,
                0, 0);
        r.right = r.left + 116;
        r.bottom = r.top + 18;
        MapDialogRect(&r);
        auto b = std::make_unique<CImageButtonX>();
        std::string caption = plugins_[i];
        if (const auto named = names.find(PluginLoader::CatalogueKey(caption));
            named != names.end())
            caption = named->second;
        else if (const auto slash = caption.find_last_of("\\/"); slash != std::string::npos)
            caption.erase(0, slash + 1);
        b->Create(caption, WS_CHILD | WS_VISIBLE, r, this, kIdFirstPlugin + static_cast<UINT>(i));
        b->SetShowText(true);
        buttons_.push_back(std::move(b));
    }
    char text[96];
    std::snprintf(text, sizeof text, "%zu", plugins_.size());
    SetStatus(Acp(autoRun_ ? "已自动启动，" : "") + Acp("共 ") + text + Acp(" 个插件。"));
    CenterWindow();
    return 1;
}

void CDlgHostMain::SetStatus(const std::string& acpText) {
    GetDlgItem(kIdStatus)->SetWindowText(acpText);
}

bool CDlgHostMain::OpenPlugin(const std::string& name) {
    std::string error;
    if (!loader_.Open(name, this, error)) {
        std::fprintf(stderr, "ZEVAClient: %s\n", error.c_str());
        SetStatus(Acp("无法打开插件：") + name);
        return false;
    }
    SetStatus(Acp("已打开：") + name);
    return true;
}

bool CDlgHostMain::OpenTool(const std::string& plugId) {
    const std::string module = PluginLoader::CatalogueModule(plugId);
    if (module.empty()) {
        std::fprintf(stderr, "ZEVAClient: no catalogue lists the tool %s\n",
                     AcpToUtf8(plugId).c_str());
        SetStatus(Acp("未找到工具：") + plugId);
        return false;
    }
    return OpenPlugin(module);
}

BOOL CDlgHostMain::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED) {
        if (id == kIdClose) {
            PostMessage(WM_CLOSE);
            return 1;
        }
        if (id == kIdMinimise) {
            ShowWindow(SW_MINIMIZE);
            return 1;
        }
        if (id >= kIdFirstPlugin && id < kIdFirstPlugin + plugins_.size()) {
            OpenPlugin(plugins_[id - kIdFirstPlugin]);
            return 1;
        }
    }
    return CImageDialog::OnCommand(wParam, lParam);
}

LRESULT CDlgHostMain::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == plug::kMsgOpenTool) {
        const char* plugId = reinterpret_cast<const char*>(wParam);
        return plugId && OpenTool(plugId) ? 1 : 0;
    }
    if (message == plug::kMsgPageClosed) {
        lastPageResult_ = static_cast<int>(wParam);
        SetStatus(Acp("页面已关闭（") + std::to_string(lastPageResult_) + Acp("）。"));
        std::printf("page closed with %d\n", lastPageResult_);
        std::fflush(stdout);
        return 0;
    }
    return CImageDialog::WindowProc(message, wParam, lParam);
}

void CDlgHostMain::OnLButtonDown(UINT flags, CPoint point) {
    CImageDialog::OnLButtonDown(flags, point);
    if (point.y < 30) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void CDlgHostMain::OnClose() {
    // The class name is withdrawn after the loop ends: a WM_CLOSE sent from
    // another program is still waiting on that registration for its answer.
    ShowWindow(SW_HIDE);
    PostQuitMessage(0);
}
