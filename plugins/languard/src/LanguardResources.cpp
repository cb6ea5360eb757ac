#include "LanguardResources.h"

#include <mutex>

#include "DialogTemplate.h"
#include "PageSkin.h"
#include "SkinImage.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;

void languard::RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate page =
            plug::skin::PageTemplate(kPageTemplate, 440, 330, WS_POPUP, "防蹭网检测");
        page.controls = {
            {kIdTitle, ControlKind::Static, 9, 6, 120, 10, Acp("并机检测"), 0, true},
            {kIdClose, ControlKind::Button, 411, 3, 14, 14, "", 0, true},
            {kIdAnimation, ControlKind::Picture, 9, 28, 37, 45, "", 0, true},
            {kIdSearching, ControlKind::Static, 58, 37, 340, 10,
             Acp("正在检测有多少设备与您使用同一网络，请稍候..."), 0, true},
            {kIdFound, ControlKind::Static, 58, 37, 340, 10,
             Acp("发现    台未知设备,正在与您公用同一私有网络（SSID）！"), 0, true},
            {kIdCount, ControlKind::Static, 74, 36, 16, 10, "0", SS_CENTER, true},
            {kIdSlogan, ControlKind::Static, 58, 52, 330, 10,
             Acp("找出局域网内可疑的蹭网设备，让您的带宽只属于您自己！"), 0, false},
            {kIdAdvice, ControlKind::Static, 58, 62, 330, 10,
             Acp("如果您使用无线路由器，发现有非信任设备接入，建议您修改无线接入密钥"), 0, false},
            {kIdRescan, ControlKind::Static, 398, 52, 36, 10, Acp("重新检测"), SS_NOTIFY, true},
            {kIdNote, ControlKind::Static, 58, 37, 336, 30, "", 0, false},
            {kIdFoundPicture, ControlKind::Picture, 2, 75, 436, 14, "", 0, true},
            {kIdDonePicture, ControlKind::Picture, 9, 28, 37, 45, "", 0, true},
            {kIdNameHeading, ControlKind::Static, 56, 78, 60, 10, Acp("设备名称"), 0, true},
            {kIdLabel, ControlKind::Static, 185, 78, 60, 10, Acp("设备厂商"), 0, true},
            {kIdLabel, ControlKind::Static, 336, 78, 50, 10, Acp("设备IP"), 0, true},
        };
        RegisterDialogTemplate(ZEVA_THIS_MODULE, page);

        RegisterDialogTemplate(ZEVA_THIS_MODULE, plug::skin::PageTemplate(kListTemplate, 437, 222,
                                                                          WS_CHILD | WS_VSCROLL));

        DialogTemplate row = plug::skin::PageTemplate(kRowTemplate, 437, 32, WS_CHILD);
        row.controls = {
            {kIdRowPicture, ControlKind::Picture, 3, 5, 20, 20, "", 0, true},
            {kIdRowName, ControlKind::Static, 42, 5, 112, 10, Acp("未知"), 0, true},
            {kIdLabel, ControlKind::Static, 29, 18, 42, 10, Acp("网卡地址："), 0, true},
            {kIdRowMac, ControlKind::Static, 71, 18, 84, 10, "", 0, true},
            {kIdRowVendor, ControlKind::Static, 156, 16, 160, 10, "", 0, true},
            {kIdRowIp, ControlKind::Static, 318, 13, 72, 10, "", 0, true},
            {kIdRowMarker, ControlKind::Static, 391, 13, 40, 10, "", 0, true},
        };
        RegisterDialogTemplate(ZEVA_THIS_MODULE, row);

        for (UINT id : {kImgClosePressed, kImgCloseHover, kImgCloseNormal})
            RegisterSkinImage(ZEVA_THIS_MODULE, id, SkinImageInfo{SkinGlyph::Close, {}, {}});
        RegisterSkinImage(ZEVA_THIS_MODULE, kImgPage, SkinImageInfo{SkinGlyph::None, {}, {}});
        RegisterSkinImage(ZEVA_THIS_MODULE, kImgRow, SkinImageInfo{SkinGlyph::None, {}, {}});
        RegisterSkinImage(ZEVA_THIS_MODULE, kImgFound, SkinImageInfo{SkinGlyph::Banner, {}, {}});
        RegisterSkinImage(ZEVA_THIS_MODULE, kImgDone, SkinImageInfo{SkinGlyph::Success, {}, {}});
        RegisterSkinImage(ZEVA_THIS_MODULE, kImgRadar, SkinImageInfo{SkinGlyph::Radar, {}, {}});
        RegisterSkinImage(ZEVA_THIS_MODULE, kImgRowPicture,
                          SkinImageInfo{SkinGlyph::Bullet, {}, {}});
    });
}
