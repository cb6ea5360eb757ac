#pragma once
// The frequent questions beside a test page: seven for the download test,
// seven for the web-page test; each opens the help window on its topic.

#include "Controls.h"

class CDlgQuestions : public CImageDialog {
public:
    CDlgQuestions();
    void SelectSet(bool download);
    bool ShowsDownloadSet() const { return download_; }
    // The help topic a question link opens (0 for other ids).
    static int TopicOf(UINT linkId);

protected:
    BOOL OnInitDialog() override;

private:
    bool download_ = true;
    CStaticText headingText_;
    CPNGPicture heading_, bullets_[7];
    CLinkLabel links_[14];
};
