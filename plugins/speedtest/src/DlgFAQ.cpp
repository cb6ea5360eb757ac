#include "DlgFAQ.h"

#include "FaqTexts.h"
#include "Resources.h"

using namespace speedtest;
using namespace speedtest::faq_ids;

CDlgFAQ::CDlgFAQ(int topic, CWnd* parent) : CImageDialog(kTplFaq, parent), topic_(topic) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    for (UINT i = 0; i < 11; ++i) {
        Bind(static_cast<int>(kFirstTopic + i), topics_[i]);
        HandleClick(static_cast<int>(kFirstTopic + i),
                    [this, i] { ShowTopic(static_cast<int>(i) + 1); });
    }
    Bind({{kHeading, &heading_},
          {kAnswer, &answer_},
          {kRateCaption, &rateCaption_},
          {kRateText, &rateText_},
          {kDownCaption, &downCaption_},
          {kDownText, &downText_},
          {kTableCaption, &tableCaption_},
          {14107, &tableText_},
          {kPicture1, &picture1_},
          {kPicture2, &picture2_},
          {kTable, &table_},
          {kExit, &exit_}});
    HandleClick(kExit, [this] { OnCancel(); });
    SetCaptionDrag(kDragAnywhere);
    SetStaticLook(RGB(51, 51, 51));
}

BOOL CDlgFAQ::OnInitDialog() {
    CImageDialog::OnInitDialog();
    CenterWindow(CWnd::GetDesktopWindow());
    SetBackgroundImage(img::kFaqBackground);
    picture1_.SetImage(img::kFaqPicture1);
    picture2_.SetImage(img::kFaqPicture2);
    table_.SetImage(img::kFaqTable);
    for (CStaticText* caption : {&heading_, &rateCaption_, &downCaption_, &tableCaption_})
        caption->SetFontBold(true);
    for (CLinkLabel& l : topics_) {
        l.SetCursor(IDC_HAND);
        l.SetUnderline(false);
        l.SetTextColor(RGB(53, 119, 187));
    }
    answer_.ShowWindow(SW_HIDE);
    exit_.SetImages(img::kWideButton, img::kWideButton, img::kWideButton);
    exit_.SetShowText(true);
    ShowTopic(topic_);
    return 1;
}

void CDlgFAQ::ShowTopic(int topic) {
    if (topic < 2 || topic > 11) topic = 1;
    shown_ = topic;
    const bool first = topic == 1;
    heading_.SetWindowText(topics_[topic - 1].GetWindowText());
    if (!first) answer_.SetWindowText(FaqAnswer(topic));
    answer_.ShowWindow(first ? SW_HIDE : SW_SHOW);
    for (CWnd* w : {static_cast<CWnd*>(&rateCaption_), static_cast<CWnd*>(&rateText_),
                    static_cast<CWnd*>(&downCaption_), static_cast<CWnd*>(&downText_),
                    static_cast<CWnd*>(&picture2_), static_cast<CWnd*>(&tableCaption_),
                    static_cast<CWnd*>(&table_), static_cast<CWnd*>(&tableText_)})
        w->ShowWindow(first ? SW_SHOW : SW_HIDE);
}
