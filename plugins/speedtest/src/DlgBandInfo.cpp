#include "DlgBandInfo.h"

#include "Resources.h"
#include "platform/CodePage.h"

using namespace speedtest;
using namespace speedtest::band_ids;

CDlgBandInfo::CDlgBandInfo() : CImageDialog(kTplBandInfo, nullptr) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind({{kRateCaption, &rateCaption_},
          {kRate, &rate_},
          {kAreaCaption, &areaCaption_},
          {kArea, &area_},
          {kFailure, &failure_},
          {kFailure2, &failure2_},
          {kPicture, &picture_}});
}

BOOL CDlgBandInfo::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kBandBackground);
    picture_.SetImage(img::kBandPicture);
    failure_.SetFontBold(true);
    failure_.SetFontSize(14);
    failure_.SetTextColor(RGB(237, 78, 12));
    for (CStaticText* caption : {&rateCaption_, &areaCaption_}) {
        caption->SetFontBold(true);
        caption->SetTextColor(RGB(53, 119, 187));
    }
    for (CStaticText* value : {&rate_, &area_}) {
        value->SetFontBold(true);
        value->SetFontName(zeva::Acp("幼圆"));
        value->SetFontSize(14);
        value->SetTextColor(RGB(136, 136, 136));
    }
    return 1;
}

void CDlgBandInfo::ShowInfo(bool obtained, const std::string& rate, const std::string& area) {
    obtained_ = obtained;
    if (obtained) {
        rate_.SetWindowText(rate);
        area_.SetWindowText(area);
    } else {
        failure_.SetWindowText(zeva::Acp("您的宽带信息获取失败!"));
        failure2_.SetWindowText(zeva::Acp("建议您在自家网络环境下使用测速。"));
    }
    ApplyLines();
}

void CDlgBandInfo::ApplyLines() {
    const int data = obtained_ ? SW_SHOW : SW_HIDE;
    const int failure = obtained_ ? SW_HIDE : SW_SHOW;
    for (CWnd* w : {static_cast<CWnd*>(&rateCaption_), static_cast<CWnd*>(&rate_),
                    static_cast<CWnd*>(&areaCaption_), static_cast<CWnd*>(&area_)})
        w->ShowWindow(data);
    failure_.ShowWindow(failure);
    failure2_.ShowWindow(failure);
}
