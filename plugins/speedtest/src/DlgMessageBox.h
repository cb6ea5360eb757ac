#pragma once
// The speed test's own message box: the text and the buttons "确定" and
// "取消", modal, dragged by any free point.

#include <string>

#include "Controls.h"

class CDlgMessageBox : public CImageDialog {
public:
    explicit CDlgMessageBox(std::string text, CWnd* parent = nullptr);
    const std::string& Text() const { return text_; }

protected:
    BOOL OnInitDialog() override;

private:
    std::string text_;
    CImageButtonX ok_, cancel_;
    CStaticText label_;
};
