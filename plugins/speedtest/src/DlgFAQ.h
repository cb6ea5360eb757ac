#pragma once
// The help window: eleven topics listed on the left, the chosen one's
// answer on the right (topic 1 with its explanation and its table).

#include "Controls.h"

class CDlgFAQ : public CImageDialog {
public:
    explicit CDlgFAQ(int topic, CWnd* parent = nullptr);
    // The topic shown now (1-11).
    int Topic() const { return shown_; }
    void ShowTopic(int topic);

protected:
    BOOL OnInitDialog() override;

private:
    int topic_;
    int shown_ = 0;
    CLinkLabel topics_[11];
    CStaticText heading_, answer_, rateCaption_, rateText_, downCaption_, downText_, tableCaption_,
        tableText_;
    CPNGPicture picture1_, picture2_, table_;
    CImageButtonX exit_;
};
