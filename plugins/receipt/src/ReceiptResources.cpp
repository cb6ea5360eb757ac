#include "ReceiptResources.h"

#include <mutex>

#include "ComboBox.h"
#include "DialogTemplate.h"
#include "PageSkin.h"
#include "SkinImage.h"
#include "platform/CodePage.h"

namespace receipt {

using zeva::Acp;
using zeva::ui::ControlKind;

void RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        zeva::ui::DialogTemplate t =
            zeva::plug::skin::PageTemplate(kTemplateId, 313, 264, WS_POPUP, "竣工测试");
        t.controls = {
            {kIdTitle, ControlKind::Static, 8, 7, 150, 10, Acp("竣工回单"), 0, true},
            {kIdClose, ControlKind::Button, 294, 3, 14, 14, "", 0, true},
            {kIdPicture, ControlKind::Picture, 14, 32, 40, 40, "", 0, true},
            {kIdVerdictLabel, ControlKind::Static, 64, 60, 44, 10, Acp("是否达标："), 0, false},
            {kIdSpeedLabel, ControlKind::Static, 64, 38, 62, 12, Acp("下载速度："), 0, true},
            {kIdSpeed, ControlKind::Static, 126, 30, 66, 24, "", SS_CENTER, true},
            {kIdUnitLabel, ControlKind::Static, 194, 39, 46, 10, Acp("K字节/秒"), 0, true},
            {kIdVerdict, ControlKind::Static, 64, 58, 170, 14, "", 0, true},
            {kIdTest, ControlKind::Button, 244, 36, 56, 16, Acp("竣工测试"), 0, true},
            {kIdAccountLabel, ControlKind::Static, 14, 88, 92, 10, Acp("用户宽带账号："), 0, true},
            {kIdAccount, ControlKind::Edit, 108, 86, 192, 13, "", 0, true},
            {kIdWorkOrderLabel, ControlKind::Static, 14, 106, 92, 10, Acp("定单号码："), 0, true},
            {kIdWorkOrder, ControlKind::ComboBox, 108, 104, 192, 80, "",
             CBS_DROPDOWN | CBS_HASSTRINGS | WS_VSCROLL, true},
            {kIdEngineerNameLabel, ControlKind::Static, 14, 124, 92, 10,
             Acp("装维服务工程师姓名："), 0, true},
            {kIdEngineerName, ControlKind::Edit, 108, 122, 192, 13, "", 0, true},
            {kIdEngineerPhoneLabel, ControlKind::Static, 14, 142, 92, 10,
             Acp("装维服务工程师电话："), 0, true},
            {kIdEngineerPhone, ControlKind::Edit, 108, 140, 192, 13, "", 0, true},
            {kIdSuggestionLabel, ControlKind::Static, 14, 160, 92, 10, Acp("您的建议："), 0, true},
            {kIdSuggestion, ControlKind::Edit, 14, 172, 286, 60, "",
             ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, true},
            {kIdSubmit, ControlKind::Button, 128, 240, 56, 16, Acp("提 交"), 0, true},
        };
        zeva::ui::RegisterDialogTemplate(ZEVA_THIS_MODULE, t);
        zeva::ui::RegisterSkinImage(ZEVA_THIS_MODULE, kImageBackground,
                                    zeva::ui::SkinImageInfo{zeva::ui::SkinGlyph::None, {}, {}});
        zeva::ui::RegisterSkinImage(ZEVA_THIS_MODULE, kImagePicture,
                                    zeva::ui::SkinImageInfo{zeva::ui::SkinGlyph::Success, {}, {}});
    });
}

}  // namespace receipt
