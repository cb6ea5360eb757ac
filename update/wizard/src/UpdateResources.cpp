#include "UpdateResources.h"

#include <mutex>

#include "DialogTemplate.h"
#include "SkinImage.h"
#include "StaticText.h"
#include "platform/CodePage.h"

namespace zeva::wizard {

using ui::ControlKind;
using ui::SkinGlyph;
using ui::SkinImageInfo;

namespace {

void RegisterUpdateTemplate() {
    ui::DialogTemplate t;
    t.id = IDD_UPDATE;
    t.cx = 287;
    t.cy = 154;
    t.fontFace = Acp("宋体");
    t.fontSize = 9;
    t.caption = Acp("在线更新");
    t.style = WS_POPUP;
    t.controls = {
        {IDC_TITLE, ControlKind::Static, 7, 6, 150, 10, Acp("在线更新"), 0, true},
        {IDC_CLOSE_CROSS, ControlKind::Button, 287 - 17, 3, 13, 13, "", 0, true},
        {IDC_BANNER, ControlKind::Picture, 8, 26, 271, 52, "", 0, true},
        {IDC_ICON, ControlKind::Picture, 18, 35, 34, 34, "", 0, true},
        {IDC_HEADLINE, ControlKind::Static, 62, 38, 210, 12, Acp("Pelmo有新版本"), 0, true},
        {IDC_VERSION, ControlKind::Static, 62, 56, 28, 10, "1.0.0", 0, true},
        {IDC_UPDATABLE, ControlKind::Static, 90, 56, 60, 10, Acp("可更新，"), 0, true},
        {IDC_QUESTION, ControlKind::Static, 18, 88, 260, 10,
         Acp("是否要进行升级？升级过程中软件会自动重启。"), 0, true},
        {IDC_PROGRESS, ControlKind::Static, 18, 106, 251, 9, "", 0, false},
        {IDC_UPGRADE, ControlKind::Button, 150, 130, 60, 16, Acp("立即升级"), BS_DEFPUSHBUTTON,
         true},
        {IDC_CLOSE, ControlKind::Button, 218, 130, 60, 16, Acp("关闭"), 0, true},
    };
    ui::RegisterDialogTemplate(nullptr, t);
}

void RegisterNotifyTemplate() {
    ui::DialogTemplate t;
    t.id = IDD_NOTIFY;
    t.cx = 233;
    t.cy = 154;
    t.fontFace = Acp("宋体");
    t.fontSize = 9;
    t.caption = Acp("Pelmo升级通知");
    t.style = WS_POPUP;
    t.controls = {
        {IDC_TITLE, ControlKind::Static, 7, 6, 120, 10, Acp("升级通知"), 0, true},
        {IDC_NOTIFY_CROSS, ControlKind::Button, 233 - 17, 3, 13, 13, "", 0, true},
        {IDC_NOTIFY_HEADLINE, ControlKind::Static, 14, 32, 200, 12, Acp("Pelmo有新版本"), 0, true},
        {IDC_NEW_VERSION, ControlKind::Static, 14, 48, 100, 12, "0.0.0", 0, true},
        {IDC_NOTIFY_UPDATABLE, ControlKind::Static, 116, 49, 40, 10, Acp("可更新，"), 0, false},
        {IDC_NOTIFY_QUESTION, ControlKind::Static, 14, 66, 200, 10, Acp("是否要进行升级？"), 0,
         true},
        {IDC_NOTIFY_CURRENT, ControlKind::Static, 14, 86, 44, 10, Acp("当前版本："), 0, true},
        {IDC_OLD_VERSION, ControlKind::Static, 58, 85, 100, 12, "0.0.0", 0, true},
        {IDC_NOTIFY_NOW, ControlKind::Button, 99, 128, 60, 16, Acp("立即升级"), BS_DEFPUSHBUTTON,
         true},
        {IDC_NOTIFY_LATER, ControlKind::Button, 165, 128, 60, 16, Acp("下次升级 "), 0, true},
    };
    ui::RegisterDialogTemplate(nullptr, t);
}

void RegisterImages() {
    const HMODULE m = nullptr;
    ui::RegisterSkinImage(m, IDB_ICON_NEW, SkinImageInfo{SkinGlyph::Info, {51, 51}, {}});
    ui::RegisterSkinImage(m, IDB_ICON_CURRENT, SkinImageInfo{SkinGlyph::Success, {51, 51}, {}});
    ui::RegisterSkinImage(m, IDB_ICON_DOWNLOADING, SkinImageInfo{SkinGlyph::Radar, {51, 51}, {}});
    ui::RegisterSkinImage(m, IDB_ICON_FAILED, SkinImageInfo{SkinGlyph::Failure, {51, 51}, {}});
    ui::RegisterSkinImage(m, IDB_ICON_FINISHED, SkinImageInfo{SkinGlyph::Success, {51, 51}, {}});
    for (UINT id : {IDB_BANNER_NEW, IDB_BANNER_CURRENT, IDB_BANNER_DOWNLOADING, IDB_BANNER_FAILED,
                    IDB_BANNER_FINISHED}) {
        ui::RegisterSkinImage(m, id, SkinImageInfo{SkinGlyph::Banner, {}, {}});
    }
}

}  // namespace

void RegisterWizardResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterUpdateTemplate();
        RegisterNotifyTemplate();
        RegisterImages();
    });
}

}  // namespace zeva::wizard
