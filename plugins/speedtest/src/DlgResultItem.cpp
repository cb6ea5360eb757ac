#include "DlgResultItem.h"

#include <cstdio>

#include "Resources.h"
#include "platform/CodePage.h"

using namespace speedtest;
using namespace speedtest::result_ids;

namespace {
constexpr COLORREF kFast = RGB(89, 151, 30);
constexpr COLORREF kFair = RGB(223, 99, 0);
constexpr COLORREF kSlow = RGB(204, 51, 0);
}  // namespace

Verdict speedtest::VerdictFor(bool answered, float t) {
    if (!answered || t >= 10) return {"无法连接", kSlow};
    if (t < 0.5f) return {"很快", kFast};
    if (t <= 2) return {"一般", kFair};
    return {"较慢", kSlow};
}

CDlgResultItem::CDlgResultItem() : CImageDialog(kTplResultItem, nullptr) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kIcon, &icon_}, {kAddress, &address_}, {kSeconds, &seconds_}, {kVerdict, &verdict_}});
    SetStaticLook(RGB(51, 51, 51));
}

BOOL CDlgResultItem::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kResultRowBackground);
    icon_.SetImage(img::kResultPending);
    address_.SetFontSize(12);
    address_.SetTextColor(RGB(51, 51, 51));
    seconds_.SetTextColor(RGB(102, 102, 102));
    verdict_.SetTextColor(kFast);
    return 1;
}

void CDlgResultItem::Fill(bool answered, const std::string& address, float seconds) {
    address_.SetWindowText(address);
    const Verdict v = VerdictFor(answered, seconds);
    verdict_.SetTextColor(v.colour);
    icon_.SetImage(answered ? img::kResultAnswered : img::kResultFailed);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(seconds));
    seconds_.SetWindowText(text);
    verdict_.SetWindowText(zeva::Acp(v.text));
}
