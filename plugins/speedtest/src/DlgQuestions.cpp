#include "DlgQuestions.h"

#include "DlgFAQ.h"
#include "Resources.h"

using namespace speedtest;
using namespace speedtest::questions_ids;

namespace {
// Topics of the links 14057..14070: the download set, then the web-page set.
constexpr int kTopics[14] = {1, 2, 6, 7, 8, 10, 11, 2, 4, 5, 8, 10, 11, 7};
}  // namespace

int CDlgQuestions::TopicOf(UINT id) {
    if (id < kFirstDownload || id > kLastHttp) return 0;
    return kTopics[id - kFirstDownload];
}

CDlgQuestions::CDlgQuestions() : CImageDialog(kTplQuestions, nullptr) {
    RegisterResources();
    SetResourceModule(ZEVA_THIS_MODULE);
    Bind(static_cast<int>(kHeading), heading_);
    Bind(static_cast<int>(kHeadingText), headingText_);
    for (UINT i = 0; i < 7; ++i) Bind(static_cast<int>(kFirstBullet + i), bullets_[i]);
    for (UINT i = 0; i < 14; ++i) {
        const UINT id = kFirstDownload + i;
        Bind(static_cast<int>(id), links_[i]);
        HandleClick(static_cast<int>(id), [this, id] {
            CDlgFAQ help(TopicOf(id), this);
            help.DoModal();
        });
    }
    SetStaticLook(RGB(53, 119, 187));
}

BOOL CDlgQuestions::OnInitDialog() {
    CImageDialog::OnInitDialog();
    SetBackgroundImage(img::kPanelBackground);
    heading_.SetImage(img::kQuestionsHeading);
    headingText_.SetFontBold(true);
    headingText_.SetTextColor(RGB(255, 255, 255));
    for (CPNGPicture& b : bullets_) b.SetImage(img::kQuestionBullet);
    for (CLinkLabel& l : links_) {
        l.SetCursor(IDC_HAND);
        l.SetUnderline(false);
        l.SetTextColor(RGB(53, 119, 187));
    }
    SelectSet(true);
    return 1;
}

void CDlgQuestions::SelectSet(bool download) {
    download_ = download;
    for (int i = 0; i < 7; ++i) {
        links_[i].ShowWindow(download ? SW_SHOW : SW_HIDE);
        links_[i + 7].ShowWindow(download ? SW_HIDE : SW_SHOW);
    }
}
