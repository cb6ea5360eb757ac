#include "ToolboxResources.h"

#include <mutex>

#include "DialogTemplate.h"
#include "PageSkin.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;

void toolbox::RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterDialogTemplate(ZEVA_THIS_MODULE, plug::skin::PageTemplate(kPageTemplate, 410, 300,
                                                                          WS_POPUP, "百宝箱"));

        DialogTemplate list = plug::skin::PageTemplate(kListTemplate, 410, 270, WS_CHILD);
        list.controls = {
            {kIdListPicture, ControlKind::Picture, 0, 0, 45, 19, "", 0, true},
            {kIdListTitle, ControlKind::Static, 14, 6, 386, 8, "", 0, true},
        };
        RegisterDialogTemplate(ZEVA_THIS_MODULE, list);

        RegisterDialogTemplate(
            ZEVA_THIS_MODULE,
            plug::skin::PageTemplate(kContainerTemplate, 410, 260, WS_CHILD | WS_VSCROLL));

        DialogTemplate strip = plug::skin::PageTemplate(kStripTemplate, 411, 50, WS_CHILD);
        const int linkX[kAdSlots] = {40, 215, 40, 215};
        const int linkY[kAdSlots] = {25, 26, 38, 39};
        const int bulletX[kAdSlots] = {30, 205, 30, 205};
        const int bulletY[kAdSlots] = {28, 28, 41, 41};
        for (int k = 0; k < kAdSlots; ++k) {
            strip.controls.push_back({kIdFirstAdLink + static_cast<UINT>(k), ControlKind::Static,
                                      linkX[k], linkY[k], 150, 10, "", SS_NOTIFY, true});
        }
        for (int k = 0; k < kAdSlots; ++k) {
            strip.controls.push_back({kIdFirstBullet + static_cast<UINT>(k), ControlKind::Picture,
                                      bulletX[k], bulletY[k], 8, 8, "", 0, true});
        }
        strip.controls.push_back(
            {kIdStripTitle, ControlKind::Static, 0, 4, 60, 10, Acp("精彩推荐"), 0, false});
        RegisterDialogTemplate(ZEVA_THIS_MODULE, strip);
    });
}
