#include "ToolboxResources.h"

#include <mutex>

#include "DialogTemplate.h"
#include "platform/CodePage.h"

using namespace zeva;
using namespace zeva::ui;

void toolbox::RegisterResources() {
    static std::once_flag once;
    std::call_once(once, [] {
        DialogTemplate page;
        page.id = kPageTemplate;
        page.cx = 410;
        page.cy = 300;
        page.fontFace = Acp("宋体");
        page.fontSize = 9;
        page.caption = Acp("百宝箱");
        page.style = WS_POPUP;
        RegisterDialogTemplate(ZEVA_THIS_MODULE, page);

        DialogTemplate list;
        list.id = kListTemplate;
        list.cx = 410;
        list.cy = 270;
        list.fontFace = Acp("宋体");
        list.fontSize = 9;
        list.style = WS_CHILD;
        list.controls = {
            {kIdListPicture, ControlKind::Picture, 0, 0, 45, 19, "", 0, true},
            {kIdListTitle, ControlKind::Static, 14, 6, 386, 8, "", 0, true},
        };
        RegisterDialogTemplate(ZEVA_THIS_MODULE, list);

        DialogTemplate container;
        container.id = kContainerTemplate;
        container.cx = 410;
        container.cy = 260;
        container.fontFace = Acp("宋体");
        container.fontSize = 9;
        container.style = WS_CHILD | WS_VSCROLL;
        RegisterDialogTemplate(ZEVA_THIS_MODULE, container);

        DialogTemplate strip;
        strip.id = kStripTemplate;
        strip.cx = 411;
        strip.cy = 50;
        strip.fontFace = Acp("宋体");
        strip.fontSize = 9;
        strip.style = WS_CHILD;
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
